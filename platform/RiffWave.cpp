#include "RiffWave.h"

#include "ByteOrder.h"

#include <algorithm>
#include <cstring>

namespace dw {

namespace {

constexpr uint16_t WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

bool fourcc(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

void appendChunk(std::vector<uint8_t>& out, const char* id, const uint8_t* bytes, uint32_t size)
{
    const size_t at = out.size();
    out.resize(at + 8 + size + (size & 1));
    std::memcpy(out.data() + at, id, 4);
    writeLE32(out.data() + at + 4, size);
    if (size > 0)
        std::memcpy(out.data() + at + 8, bytes, size);
}

} // namespace

uint16_t RiffWave::formatTag() const { return readLE16(fmt); }
uint16_t RiffWave::channels() const { return readLE16(fmt + 2); }
uint32_t RiffWave::sampleRate() const { return readLE32(fmt + 4); }
uint16_t RiffWave::blockAlign() const { return readLE16(fmt + 12); }
uint16_t RiffWave::bitsPerSample() const { return readLE16(fmt + 14); }

uint16_t RiffWave::effectiveFormatTag() const
{
    // WAVEFORMATEXTENSIBLE: cbSize at 16, then valid bits, channel mask and the sub-format GUID
    // at 24, whose first two bytes are the format tag.
    if (formatTag() == WAVE_FORMAT_EXTENSIBLE && fmtSize >= 40)
        return readLE16(fmt + 24);
    return formatTag();
}

bool isRiffWaveHead(const uint8_t* image, int64_t size)
{
    return image && size >= 12 && fourcc(image, "RIFF") && fourcc(image + 8, "WAVE");
}

std::optional<RiffWave> findWaveChunks(const uint8_t* image, int64_t size, QString* problem)
{
    auto fail = [problem](const char* why) {
        if (problem)
            *problem = QString::fromLatin1(why);
        return std::nullopt;
    };
    if (!isRiffWaveHead(image, size))
        return fail(kNotRiffWave);
    int64_t end = size;
    const int64_t riffEnd = int64_t(readLE32(image + 4)) + 8;
    if (riffEnd >= 12 && riffEnd < end)
        end = riffEnd;

    RiffWave wave;
    int64_t pos = 12;
    for (int chunks = 0; chunks < kMaxRiffChunks && end - pos >= 8; ++chunks) {
        const uint8_t* header = image + pos;
        const int64_t claimed = readLE32(header + 4);
        const int64_t present = std::min(claimed, end - pos - 8);
        const uint8_t* body = header + 8;
        if (fourcc(header, "fmt ") && !wave.fmt) {
            wave.fmt = body;
            wave.fmtSize = uint32_t(present);
        } else if (fourcc(header, "fact") && !wave.fact) {
            wave.fact = body;
            wave.factSize = uint32_t(present);
        } else if (fourcc(header, "data") && !wave.data) {
            wave.data = body;
            wave.dataSize = uint32_t(present);
        }
        if (present < claimed)
            break; // a truncated chunk is the last one there is
        pos += 8 + claimed + (claimed & 1);
    }
    if (!wave.fmt || wave.fmtSize < 16)
        return fail("no format chunk");
    if (!wave.data)
        return fail("no data chunk");
    return wave;
}

std::vector<uint8_t> rebuildWaveImage(const RiffWave& wave, uint32_t dataSize)
{
    dataSize = std::min(dataSize, wave.dataSize);
    std::vector<uint8_t> out;
    out.reserve(12 + 8 + wave.fmtSize + 1 + 8 + wave.factSize + 1 + 8 + dataSize + 1);
    out.resize(12);
    std::memcpy(out.data(), "RIFF", 4);
    std::memcpy(out.data() + 8, "WAVE", 4);
    appendChunk(out, "fmt ", wave.fmt, wave.fmtSize);
    if (wave.fact)
        appendChunk(out, "fact", wave.fact, wave.factSize);
    appendChunk(out, "data", wave.data, dataSize);
    writeLE32(out.data() + 4, uint32_t(out.size() - 8));
    return out;
}

} // namespace dw
