#include "TagReader.h"

#include "LegacyText.h"

#include <taglib/asffile.h>
#include <taglib/fileref.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/tag.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace kvraudio {

namespace {

// Tag bytes up to the first NUL, without the blanks that pad fixed-size fields.
TagLib::String legacyString(const TagLib::ByteVector &data)
{
    const char *begin = data.data();
    const char *end = std::find(begin, begin + data.size(), '\0');
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t'))
        --end;
    return TagLib::String(legacyTextToUtf8(begin, size_t(end - begin)), TagLib::String::UTF8);
}

class Id3v1Text : public TagLib::ID3v1::StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override { return legacyString(data); }
};

class Id3v2Latin1Text : public TagLib::ID3v2::Latin1StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override { return legacyString(data); }
};

class RiffInfoText : public TagLib::RIFF::Info::StringHandler
{
public:
    TagLib::String parse(const TagLib::ByteVector &data) const override { return legacyString(data); }
};

// TagLib keeps these handlers in process-wide pointers; they are installed once, before any read.
void installTextHandlers()
{
    static std::once_flag once;
    std::call_once(once, [] {
        static const Id3v1Text id3v1;
        static const Id3v2Latin1Text id3v2;
        static const RiffInfoText riffInfo;
        TagLib::ID3v1::Tag::setStringHandler(&id3v1);
        TagLib::ID3v2::Tag::setLatin1StringHandler(&id3v2);
        TagLib::RIFF::Info::Tag::setStringHandler(&riffInfo);
    });
}

std::unique_ptr<TagLib::File> openFile(const std::string &path, const std::string &format,
                                       const std::string &codec)
{
    const char *name = path.c_str();
    if (format == "mp3")
        return std::make_unique<TagLib::MPEG::File>(name, false);
    if (format == "asf")
        return std::make_unique<TagLib::ASF::File>(name, false);
    if (format == "wav")
        return std::make_unique<TagLib::RIFF::WAV::File>(name, false);
    if (format == "ogg") {
        if (codec == "opus")
            return std::make_unique<TagLib::Ogg::Opus::File>(name, false);
        if (codec == "flac")
            return std::make_unique<TagLib::Ogg::FLAC::File>(name, false);
        if (codec == "speex")
            return std::make_unique<TagLib::Ogg::Speex::File>(name, false);
        return std::make_unique<TagLib::Ogg::Vorbis::File>(name, false);
    }
    return nullptr;
}

} // namespace

TagReader::Tags TagReader::read(const std::string &path, const std::string &format, const std::string &codec)
{
    installTextHandlers();
    Tags tags;
    try {
        std::unique_ptr<TagLib::File> file = openFile(path, format, codec);
        if (!file || !file->isValid() || !file->tag())
            return tags;
        std::vector<const TagLib::Tag *> sources{file->tag()};
        // A WAV file's tag() is its ID3v2 chunk only; most taggers write the RIFF INFO list instead.
        if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file.get()))
            sources.push_back(wav->InfoTag());
        for (const TagLib::Tag *tag : sources) {
            if (tags.title.empty())
                tags.title = tag->title().to8Bit(true);
            if (tags.artist.empty())
                tags.artist = tag->artist().to8Bit(true);
            if (tags.album.empty())
                tags.album = tag->album().to8Bit(true);
        }
    } catch (...) {
        // A tag TagLib cannot take apart reads as no tag.
        return Tags();
    }
    return tags;
}

} // namespace kvraudio
