#include "FakeServiceState.h"

#include <QUrl>
#include <QUrlQuery>

void FakeServiceState::setBases(const QHash<FakeHost, QString> &bases, const QString &serviceHostName)
{
    std::lock_guard<std::mutex> locker(m_lock);
    m_bases = bases;
    m_serviceHostName = serviceHostName;
}

QString FakeServiceState::base(FakeHost host) const
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_bases.value(host);
}

QString FakeServiceState::serviceHostName() const
{
    std::lock_guard<std::mutex> locker(m_lock);
    return m_serviceHostName;
}

QString FakeServiceState::expandLocked(const QString &text) const
{
    if (!text.contains(QLatin1String("${")))
        return text;
    QString result = text;
    for (FakeHost host : kAllFakeHosts)
        result.replace(QLatin1String("${") + fakeHostName(host) + QLatin1Char('}'), m_bases.value(host));
    result.replace(QLatin1String("${servicehost}"), m_serviceHostName);
    return result;
}

QByteArray FakeServiceState::expandBytesLocked(const QByteArray &text) const
{
    // Byte-wise, so bodies in other encodings (GB18030 documents) stay as they are: "$" never
    // occurs inside a multi-byte character of those encodings.
    if (!text.contains("${"))
        return text;
    QByteArray result = text;
    for (FakeHost host : kAllFakeHosts)
        result.replace("${" + fakeHostName(host).toLatin1() + '}', m_bases.value(host).toUtf8());
    result.replace("${servicehost}", m_serviceHostName.toUtf8());
    return result;
}

QByteArray FakeServiceState::expand(const QByteArray &text) const
{
    std::lock_guard<std::mutex> locker(m_lock);
    return expandBytesLocked(text);
}

FakeServiceState::Matcher FakeServiceState::parseMatch(FakeHost host, const QByteArray &method,
                                                       const QString &match)
{
    Matcher matcher;
    matcher.host = host;
    matcher.method = method.isEmpty() ? QByteArray("*") : method.toUpper();
    const int question = match.indexOf(QLatin1Char('?'));
    matcher.path = question < 0 ? match : match.left(question);
    if (matcher.path.endsWith(QLatin1Char('*'))) {
        matcher.prefix = true;
        matcher.path.chop(1);
    }
    if (question >= 0) {
        const QUrlQuery query(match.mid(question + 1));
        const auto items = query.queryItems(QUrl::FullyDecoded);
        for (const auto &item : items)
            matcher.conditions << item;
    }
    return matcher;
}

int FakeServiceState::score(const Matcher &matcher, const FakeRequest &request) const
{
    if (matcher.host != request.host)
        return -1;
    if (matcher.method != "*") {
        const QByteArray method = request.method == "HEAD" ? QByteArray("GET") : request.method;
        if (matcher.method != method)
            return -1;
    }
    const QString path = expandLocked(matcher.path);
    const QString requestPath = request.path();
    if (matcher.prefix ? !requestPath.startsWith(path) : requestPath != path)
        return -1;
    const QUrlQuery query = request.query();
    for (const auto &condition : matcher.conditions) {
        const QStringList values = query.allQueryItemValues(condition.first, QUrl::FullyDecoded);
        if (!values.contains(expandLocked(condition.second)))
            return -1;
    }
    // Exact paths before prefixes, then more conditions, then longer prefixes.
    return (matcher.prefix ? 0 : 1 << 20) + int(matcher.conditions.size()) * (1 << 12) + int(path.size());
}

void FakeServiceState::addAnswer(FakeHost host, const QByteArray &method, const QString &match,
                                 const FakeAnswer &answer)
{
    std::lock_guard<std::mutex> locker(m_lock);
    Route route;
    route.matcher = parseMatch(host, method, match);
    route.kind = Plan::Answer;
    route.answer = answer;
    route.order = ++m_order;
    m_routes << route;
}

void FakeServiceState::addFile(FakeHost host, const QByteArray &method, const QString &match,
                               const QByteArray &data, const QByteArray &contentType)
{
    std::lock_guard<std::mutex> locker(m_lock);
    Route route;
    route.matcher = parseMatch(host, method, match);
    route.kind = Plan::File;
    route.fileData = data;
    route.contentType = contentType;
    route.order = ++m_order;
    m_routes << route;
}

void FakeServiceState::addFault(FakeHost host, const QString &match, const FakeFault &fault)
{
    std::lock_guard<std::mutex> locker(m_lock);
    FaultRoute route;
    route.matcher = parseMatch(host, "*", match);
    route.fault = fault;
    route.order = ++m_order;
    m_faults << route;
}

void FakeServiceState::clearFaults()
{
    std::lock_guard<std::mutex> locker(m_lock);
    m_faults.clear();
}

void FakeServiceState::clearRoutes()
{
    std::lock_guard<std::mutex> locker(m_lock);
    m_routes.clear();
}

FakeServiceState::Plan FakeServiceState::plan(const FakeRequest &request)
{
    std::lock_guard<std::mutex> locker(m_lock);
    Plan plan;
    int best = -1;
    int bestOrder = -1;
    for (const Route &route : std::as_const(m_routes)) {
        const int s = score(route.matcher, request);
        // Equal scores: the later registration wins, so a test can replace a default answer.
        if (s < 0 || s < best || (s == best && route.order < bestOrder))
            continue;
        best = s;
        bestOrder = route.order;
        plan.kind = route.kind;
        plan.answer = route.answer;
        plan.fileData = route.fileData;
        plan.contentType = route.contentType;
    }
    if (plan.kind == Plan::Answer && plan.answer.expandPlaceholders)
        plan.answer.body = expandBytesLocked(plan.answer.body);

    int faultIndex = -1;
    best = -1;
    bestOrder = -1;
    for (int i = 0; i < m_faults.size(); ++i) {
        const FaultRoute &route = m_faults.at(i);
        const int s = score(route.matcher, request);
        if (s < 0 || s < best || (s == best && route.order < bestOrder))
            continue;
        best = s;
        bestOrder = route.order;
        faultIndex = i;
    }
    if (faultIndex >= 0) {
        plan.hasFault = true;
        plan.fault = m_faults.at(faultIndex).fault;
        FakeFault &stored = m_faults[faultIndex].fault;
        if (stored.times > 0 && --stored.times == 0)
            m_faults.removeAt(faultIndex);
    }
    return plan;
}

FakeRequest FakeServiceState::deepCopy(const FakeRequest &request)
{
    FakeRequest copy = request;
    copy.method.detach();
    copy.target.detach();
    copy.url.detach();
    copy.headers.detach();
    for (auto &header : copy.headers) {
        header.first.detach();
        header.second.detach();
    }
    copy.body.detach();
    return copy;
}

void FakeServiceState::record(const FakeRequest &request)
{
    std::lock_guard<std::mutex> locker(m_lock);
    m_log << request;
}

QList<FakeRequest> FakeServiceState::log() const
{
    std::lock_guard<std::mutex> locker(m_lock);
    QList<FakeRequest> copy;
    copy.reserve(m_log.size());
    for (const FakeRequest &request : m_log)
        copy << deepCopy(request);
    return copy;
}

int FakeServiceState::logSize() const
{
    std::lock_guard<std::mutex> locker(m_lock);
    return int(m_log.size());
}

void FakeServiceState::clearLog()
{
    std::lock_guard<std::mutex> locker(m_lock);
    m_log.clear();
}
