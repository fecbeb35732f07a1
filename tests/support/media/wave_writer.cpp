#include "tests/support/media/wave_writer.h"

#include <fstream>

namespace testing_support {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void PutTag(std::vector<uint8_t>& out, const char* tag) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(tag[i]));
}

}  // namespace

std::vector<uint8_t> MakeWave(const std::vector<int16_t>& samples, int channels, int rate,
                              int bits) {
  const uint32_t bytesPerSample = bits / 8;
  const uint32_t dataSize = static_cast<uint32_t>(samples.size()) * bytesPerSample;
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 36 + dataSize + (dataSize & 1));
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 16);
  Put16(out, 1);
  Put16(out, channels);
  Put32(out, rate);
  Put32(out, rate * channels * bytesPerSample);
  Put16(out, channels * bytesPerSample);
  Put16(out, bits);
  PutTag(out, "data");
  Put32(out, dataSize);
  for (int16_t s : samples) {
    if (bits == 8) {
      out.push_back(static_cast<uint8_t>((s >> 8) + 128));
    } else {
      Put16(out, static_cast<uint16_t>(s));
    }
  }
  if (dataSize & 1) out.push_back(0);
  return out;
}

std::vector<uint8_t> MakeImaAdpcmWave(int blocks, int64_t factFrames) {
  const uint32_t dataSize = 256u * static_cast<uint32_t>(blocks);
  std::vector<uint8_t> out;
  PutTag(out, "RIFF");
  Put32(out, 4 + 28 + (factFrames >= 0 ? 12 : 0) + 8 + dataSize);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  Put32(out, 20);
  Put16(out, 0x11);
  Put16(out, 1);
  Put32(out, 8000);
  Put32(out, 4055);
  Put16(out, 256);
  Put16(out, 4);
  Put16(out, 2);    // extension size
  Put16(out, 505);  // samples per block
  if (factFrames >= 0) {
    PutTag(out, "fact");
    Put32(out, 4);
    Put32(out, static_cast<uint32_t>(factFrames));
  }
  PutTag(out, "data");
  Put32(out, dataSize);
  out.resize(out.size() + dataSize, 0);
  return out;
}

std::vector<uint8_t> MakeSilentWave(uint32_t ms) {
  std::vector<int16_t> samples(static_cast<size_t>(ms) * 8, 0);
  return MakeWave(samples, 1, 8000, 8);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace testing_support
