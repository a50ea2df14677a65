#include "TagReader.h"

#include "ByteSource.h"
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
#include <taglib/tfilestream.h>
#include <taglib/tiostream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <algorithm>
#include <climits>
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

// TagLib reading through a source the caller opened. Read-only: TagLib never writes here.
class SourceStream : public TagLib::IOStream
{
public:
    SourceStream(ByteSource &source, const std::string &path)
        : m_source(source)
        , m_path(path)
        , m_size(std::max<int64_t>(source.size(), 0))
    {
    }

    TagLib::FileName name() const override { return m_path.c_str(); }
    TagLib::ByteVector readBlock(unsigned long length) override
    {
        // A damaged size field may ask for far more than the file holds, or a ByteVector can.
        const int64_t wanted = std::min<int64_t>(int64_t(std::min<unsigned long>(length, UINT_MAX)),
                                                 std::max<int64_t>(m_size - m_pos, 0));
        TagLib::ByteVector data(static_cast<unsigned int>(wanted));
        int64_t done = 0;
        while (done < wanted) {
            const int chunk = int(std::min<int64_t>(wanted - done, INT_MAX));
            const int n =
                m_source.readAt(m_pos + done, reinterpret_cast<uint8_t *>(data.data()) + done, chunk);
            if (n <= 0)
                break;
            done += n;
        }
        data.resize(static_cast<unsigned int>(done));
        m_pos += done;
        return data;
    }
    void writeBlock(const TagLib::ByteVector &) override {}
    void insert(const TagLib::ByteVector &, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p) override
    {
        const int64_t base = p == Beginning ? 0 : p == Current ? m_pos : m_size;
        m_pos = std::max<int64_t>(base + offset, 0);
    }
    long tell() const override { return long(m_pos); }
    long length() override { return long(m_size); }
    void truncate(long) override {}

private:
    ByteSource &m_source;
    const std::string m_path;
    const int64_t m_size;
    int64_t m_pos = 0;
};

std::unique_ptr<TagLib::File> openFile(TagLib::IOStream *stream, const std::string &format,
                                       const std::string &codec)
{
    if (format == "mp3")
        return std::make_unique<TagLib::MPEG::File>(stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (format == "asf")
        return std::make_unique<TagLib::ASF::File>(stream, false);
    if (format == "wav")
        return std::make_unique<TagLib::RIFF::WAV::File>(stream, false);
    if (format == "ogg") {
        if (codec == "opus")
            return std::make_unique<TagLib::Ogg::Opus::File>(stream, false);
        if (codec == "flac")
            return std::make_unique<TagLib::Ogg::FLAC::File>(stream, false);
        if (codec == "speex")
            return std::make_unique<TagLib::Ogg::Speex::File>(stream, false);
        return std::make_unique<TagLib::Ogg::Vorbis::File>(stream, false);
    }
    return nullptr;
}

TagReader::Tags readTags(TagLib::IOStream *stream, const std::string &format, const std::string &codec)
{
    installTextHandlers();
    TagReader::Tags tags;
    try {
        std::unique_ptr<TagLib::File> file = openFile(stream, format, codec);
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
        return TagReader::Tags();
    }
    return tags;
}

} // namespace

TagReader::Tags TagReader::read(const std::string &path, const std::string &format, const std::string &codec)
{
    if (format != "mp3" && format != "asf" && format != "wav" && format != "ogg")
        return Tags();
    TagLib::FileStream stream(path.c_str(), true);
    if (!stream.isOpen())
        return Tags();
    return readTags(&stream, format, codec);
}

TagReader::Tags TagReader::read(ByteSource &source, const std::string &path, const std::string &format,
                                const std::string &codec)
{
    SourceStream stream(source, path);
    return readTags(&stream, format, codec);
}

} // namespace kvraudio
