#include "services/core/XmlAttribute.h"

#include <algorithm>

namespace {

void appendAttributeValue(QString &xml, const QString &value)
{
    const auto plain = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= 0x20 && u != '&' && u != '<' && u != '>' && u != '"' && u != 0xFFFE && u != 0xFFFF;
    };
    // Nearly every value has nothing to escape and goes in one piece.
    if (std::all_of(value.cbegin(), value.cend(), plain)) {
        xml += value;
        return;
    }
    for (const QChar c : value) {
        switch (c.unicode()) {
        case '&':
            xml += QLatin1String("&amp;");
            break;
        case '<':
            xml += QLatin1String("&lt;");
            break;
        case '>':
            xml += QLatin1String("&gt;");
            break;
        case '"':
            xml += QLatin1String("&quot;");
            break;
        case '\t':
            xml += QLatin1String("&#9;");
            break;
        case '\n':
            xml += QLatin1String("&#10;");
            break;
        case '\r':
            xml += QLatin1String("&#13;");
            break;
        default:
            if (plain(c))
                xml += c;
        }
    }
}

} // namespace

void g_appendXmlAttribute(QString &xml, const QString &name, const QString &value)
{
    xml += QLatin1Char(' ');
    xml += name;
    xml += QLatin1String("=\"");
    appendAttributeValue(xml, value);
    xml += QLatin1Char('"');
}
