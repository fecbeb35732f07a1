// Loading pattern archives and drawing patterns into an 8-bit display.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "image/codecs.h"
#include "image/dar_archive.h"
#include "tests/unit/image/image_test_support.h"

namespace image {
namespace {

using image_test::ProgramFolder;

constexpr const char* kNotAllocated = "アロケートしてない";
constexpr const char* kNoDisplay = "ディスプレイ情報セットしていない";
constexpr const char* kTooWide = "ディスプレイ範囲横超え";
constexpr const char* kTooHigh = "ディスプレイ範囲縦超え";

void Put16(std::vector<uint8_t>& v, int x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// A record: header length L, width, height, row size, L − 6 extra bytes, rows.
std::vector<uint8_t> Record(int L, int w, int h, int s, const std::vector<uint8_t>& rows) {
  std::vector<uint8_t> r;
  Put16(r, L);
  Put16(r, w);
  Put16(r, h);
  Put16(r, s);
  r.resize(r.size() + (L - 6), 0xEE);
  for (uint8_t b : rows)
    r.push_back(b);
  return r;
}

// A run: skip, count, the pixel bytes, fill to a multiple of 4.
std::vector<uint8_t> RunBytes(int skip, std::vector<uint8_t> pixels) {
  std::vector<uint8_t> r;
  Put16(r, skip);
  Put16(r, static_cast<int>(pixels.size()));
  for (uint8_t b : pixels)
    r.push_back(b);
  while (r.size() % 4)
    r.push_back(0xFF);
  return r;
}

std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts)
    for (uint8_t b : p)
      out.push_back(b);
  return out;
}

// A file with `count` in its header, colour table bytes 12 + i = i * 3 + seed.
std::vector<uint8_t> DarFile(int count, const std::vector<uint8_t>& records, int seed = 0,
                             int version = 1) {
  std::vector<uint8_t> f(1036, 0);
  f[5] = static_cast<uint8_t>(version);
  f[6] = static_cast<uint8_t>(count);
  f[7] = static_cast<uint8_t>(count >> 8);
  for (int i = 0; i < 1024; ++i)
    f[12 + i] = static_cast<uint8_t>(i * 3 + seed);
  for (uint8_t b : records)
    f.push_back(b);
  return f;
}

// A solid pattern of one colour, written by the archive writer.
std::vector<uint8_t> SolidArchive(std::vector<std::pair<int, int>> sizes, int seed = 0) {
  DarContents c;
  for (int i = 0; i < 1024; ++i)
    c.colorTable[i] = static_cast<uint8_t>(i * 3 + seed);
  int colour = 1;
  for (auto [w, h] : sizes)
    c.patterns.push_back(DarPattern{w, h, std::vector<int16_t>(size_t(w) * h, int16_t(colour++))});
  return EncodeDar(c, nullptr);
}

// A display with guard bytes on both sides that drawing must never touch.
class Display {
 public:
  Display(int width, int height, uint8_t fill = 0)
      : width(width), height(height), memory(kGuard * 2 + size_t(width) * height, fill) {
    std::fill(memory.begin(), memory.begin() + kGuard, kCanary);
    std::fill(memory.end() - kGuard, memory.end(), kCanary);
  }
  uint8_t* bits() { return memory.data() + kGuard; }
  size_t bytes() const { return size_t(width) * height; }
  // Memory row r (bottom-up), column x.
  uint8_t At(int x, int r) const { return memory[kGuard + size_t(r) * width + x]; }
  uint8_t Pixel(int x, int y) const { return At(x, height - 1 - y); }  // picture coordinates
  bool GuardsIntact() const {
    return std::all_of(memory.begin(), memory.begin() + kGuard,
                       [](uint8_t b) { return b == kCanary; }) &&
           std::all_of(memory.end() - kGuard, memory.end(), [](uint8_t b) { return b == kCanary; });
  }
  size_t CountNot(uint8_t value) const {
    return std::count_if(memory.begin() + kGuard, memory.end() - kGuard,
                         [value](uint8_t b) { return b != value; });
  }
  int width, height;

 private:
  static constexpr size_t kGuard = 4096;
  static constexpr uint8_t kCanary = 0xC5;
  std::vector<uint8_t> memory;
};

class DarArchiveTest : public ::testing::Test {
 protected:
  DarArchiveTest() : window(folder.vs().OpenMainWindow("DemoTitle")), archive(window.get()) {}
  int Load(const std::vector<uint8_t>& bytes, const std::string& name = "data/t.dar") {
    folder.Write(name, bytes);
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '/', '\\');
    return archive.Load(relative.c_str());
  }
  void Show(Display& d) { archive.SetDisplay(d.width, d.height, d.bits(), d.bytes()); }
  const std::vector<services::BoxRecord>& boxes() { return folder.boxes(); }
  std::string LastText() { return boxes().empty() ? "" : boxes().back().text; }

  ProgramFolder folder;
  std::unique_ptr<shell::MainWindow> window;
  DarArchive archive;
};

TEST_F(DarArchiveTest, IndexesRecordsOfEveryHeaderLength) {
  ASSERT_EQ(Load(DarFile(0, {})), 1);
  EXPECT_EQ(archive.PatternCount(), 0);
  EXPECT_TRUE(archive.data.empty());

  // Height 3 × row size 12 with L = 6 takes 8 + 36 bytes; the L = 10 record
  // after it has four more header bytes before its rows.
  std::vector<uint8_t> rows(36, 0);
  std::vector<uint8_t> first = Record(6, 4, 3, 12, rows);
  std::vector<uint8_t> second = Record(10, 4, 1, 4, {0, 0, 0, 0});
  ASSERT_EQ(Load(DarFile(2, Cat({first, second}))), 1);
  EXPECT_EQ(archive.PatternCount(), 2);
  const uint8_t* d = archive.data.data();
  EXPECT_EQ(archive.patternRecord[0], d);
  EXPECT_EQ(archive.patternRows[0], d + 8);
  EXPECT_EQ(archive.patternRecord[1], d + 44);
  EXPECT_EQ(archive.patternRows[1], d + 44 + 12);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DarArchiveTest, CopyPaletteGivesTheHeaderColourTable) {
  std::vector<uint8_t> file = DarFile(0, {}, 7);
  ASSERT_EQ(Load(file), 1);
  std::vector<uint8_t> table(1026, 0xAA);
  archive.CopyPalette(table.data() + 1);
  EXPECT_TRUE(std::equal(table.begin() + 1, table.end() - 1, file.begin() + 12));
  EXPECT_EQ(table.front(), 0xAA);
  EXPECT_EQ(table.back(), 0xAA);
}

TEST_F(DarArchiveTest, RunsSkipCountAndFill) {
  // Row size 8: skip 10, three pixels and one fill byte. Second pattern: an
  // empty run with skip 255 moves the position only.
  std::vector<uint8_t> a = Record(6, 13, 1, 8, RunBytes(10, {0xA1, 0xB2, 0xC3}));
  std::vector<uint8_t> b = Record(6, 300, 1, 12, Cat({RunBytes(255, {}), RunBytes(5, {0x44})}));
  ASSERT_EQ(Load(DarFile(2, Cat({a, b}))), 1);
  Display d(320, 4, 0x11);
  Show(d);
  archive.DrawPattern(20, 1, 0);
  EXPECT_EQ(d.CountNot(0x11), 3u);
  EXPECT_EQ(d.Pixel(30, 1), 0xA1);
  EXPECT_EQ(d.Pixel(31, 1), 0xB2);
  EXPECT_EQ(d.Pixel(32, 1), 0xC3);
  archive.DrawPattern(0, 3, 1);
  EXPECT_EQ(d.Pixel(260, 3), 0x44);
  EXPECT_EQ(d.CountNot(0x11), 4u);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DarArchiveTest, RowsLandBottomUpInTheDisplay) {
  // Pattern rows hold their own row number (0 = bottom row).
  std::vector<uint8_t> rows;
  for (int i = 0; i < 10; ++i)
    rows = Cat({rows, RunBytes(0, {uint8_t(100 + i), uint8_t(100 + i)})});
  ASSERT_EQ(Load(DarFile(1, Record(6, 2, 10, 8, rows))), 1);
  Display d(640, 448);
  Show(d);
  archive.DrawPattern(184, 214, 0);
  for (int r = 0; r < 448; ++r) {
    const bool inside = r >= 224 && r <= 233;
    EXPECT_EQ(d.At(184, r), inside ? 100 + (r - 224) : 0) << r;
  }
  EXPECT_EQ(d.Pixel(184, 223), 100);  // bottom pattern row = picture row 223
  EXPECT_EQ(d.Pixel(185, 214), 109);
  EXPECT_EQ(d.CountNot(0), 20u);
}

TEST_F(DarArchiveTest, DisplacementsMoveEachRowInDrawingOrder) {
  std::vector<uint8_t> rows;
  for (int i = 0; i < 3; ++i)
    rows = Cat({rows, RunBytes(0, {uint8_t(1 + i)})});
  ASSERT_EQ(Load(DarFile(1, Record(6, 1, 3, 8, rows))), 1);
  Display d(64, 3);
  Show(d);
  const int32_t shifts[] = {4, 0, -4};
  archive.DrawPatternDisplaced(10, 0, 0, shifts);
  EXPECT_EQ(d.Pixel(14, 2), 1);  // bottom row 4 to the right
  EXPECT_EQ(d.Pixel(10, 1), 2);
  EXPECT_EQ(d.Pixel(6, 0), 3);  // top row 4 to the left
  EXPECT_EQ(d.CountNot(0), 3u);
  // Missing entries count as 0.
  Display e(64, 3);
  Show(e);
  const int32_t one[] = {7};
  archive.DrawPatternDisplaced(10, 0, 0, std::span<const int32_t>(one));
  EXPECT_EQ(e.Pixel(17, 2), 1);
  EXPECT_EQ(e.Pixel(10, 1), 2);
  EXPECT_EQ(e.Pixel(10, 0), 3);
}

TEST_F(DarArchiveTest, ChecksComeInOrderWithTheirMessages) {
  Display d(64, 32);
  archive.DrawPattern(0, 0, 0);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, kNotAllocated);
  EXPECT_EQ(boxes()[0].caption, "DemoTitle");
  EXPECT_EQ(boxes()[0].style, services::MB_ICONERROR);
  // A display does not help an archive never loaded; drawn frame after frame,
  // the archive shows its message once and the repeats go to stderr.
  Show(d);
  ::testing::internal::CaptureStderr();
  for (int frame = 0; frame < 50; ++frame)
    archive.DrawPattern(0, 0, 0);
  const std::string repeats = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(std::count(repeats.begin(), repeats.end(), '\n'), 50);
  EXPECT_NE(repeats.find(std::string("DemoTitle: ") + kNotAllocated), std::string::npos);

  // Each check in its place, each with its own box; a new archive (the next
  // scene's) shows its messages again.
  folder.Write("p.dar", SolidArchive({{8, 4}, {8, 4}, {8, 4}}));
  // The text of the one box that drawing twice with a new archive shows ("" for none).
  auto refusal = [&](auto draw) -> std::string {
    DarArchive fresh(window.get());
    EXPECT_EQ(fresh.Load("p.dar"), 1);
    const size_t start = boxes().size();
    draw(fresh);
    draw(fresh);
    EXPECT_LE(boxes().size(), start + 1) << "shown twice by one archive";
    return boxes().size() > start ? boxes().back().text : "";
  };
  auto drawAt = [&](int x, int y, int n) {
    return refusal([&](DarArchive& a) {
      a.SetDisplay(d.width, d.height, d.bits(), d.bytes());
      a.DrawPattern(x, y, n);
    });
  };
  EXPECT_EQ(refusal([](DarArchive& a) { a.DrawPattern(0, 0, 0); }), kNoDisplay);
  EXPECT_EQ(drawAt(0, 0, 3), "パターンの最大値超え 3");
  EXPECT_EQ(drawAt(0, 0, -1), "パターンの最大値超え -1");
  EXPECT_EQ(drawAt(57, 0, 2), kTooWide);   // 57 + 8 = 65 > 64
  EXPECT_EQ(drawAt(57, 29, 2), kTooWide);  // both out: the horizontal check comes first
  EXPECT_EQ(drawAt(0, 29, 2), kTooHigh);   // 29 + 4 = 33 > 32
  EXPECT_EQ(d.CountNot(0), 0u);
  EXPECT_EQ(drawAt(56, 28, 2), "");  // exactly at the right and bottom edges
  EXPECT_EQ(d.Pixel(63, 31), 3);
  EXPECT_EQ(d.Pixel(56, 28), 3);
  EXPECT_EQ(d.CountNot(0), 32u);
}

TEST_F(DarArchiveTest, DisplayOutlivesLoadsAndMayComeFirst) {
  Display d(16, 8);
  Show(d);
  ASSERT_EQ(Load(SolidArchive({{2, 2}})), 1);
  archive.DrawPattern(0, 0, 0);
  EXPECT_EQ(d.Pixel(0, 0), 1);
  ASSERT_EQ(Load(SolidArchive({{3, 3}, {1, 1}})), 1);
  archive.DrawPattern(5, 5, 1);
  EXPECT_EQ(d.Pixel(5, 5), 2);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DarArchiveTest, FailedLoadsKeepThePreviousArchive) {
  ASSERT_EQ(Load(SolidArchive({{2, 2}, {2, 2}}, 9)), 1);
  std::vector<uint8_t> good = SolidArchive({{2, 2}}, 50);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* message;
  };
  std::vector<Case> cases = {
      {"version 2", DarFile(0, {}, 1, 2), "Dar Illigal Ver"},
      {"short header", std::vector<uint8_t>(good.begin(), good.begin() + 1035),
       "Dar File Too Short"},
      {"257 patterns", DarFile(257, {}), "Dar Too Many Patterns"},
      {"record past the end", DarFile(1, {6, 0, 1}), "Dar Pattern Data Broken"},
      {"rows after a long header past the end", DarFile(1, {100, 0, 1, 0, 1, 0, 4, 0, 0xEE}),
       "Dar Pattern Data Broken"},
      {"last pixel byte missing", std::vector<uint8_t>(good.begin(), good.end() - 3),
       "Dar Pattern Data Broken"},
      {"second record missing", DarFile(2, Record(6, 1, 1, 8, RunBytes(0, {1}))),
       "Dar Pattern Data Broken"},
      {"run past the end of the data", DarFile(1, Record(6, 5, 1, 8, RunBytes(0, {1, 2, 3, 4, 5}))),
       "Dar Pattern Data Broken"},
      {"run header past the end of the data", DarFile(1, Record(6, 1, 1, 6, {0, 0, 0, 0, 0, 0})),
       "Dar Pattern Data Broken"},
  };
  // The run of 5 in a row of 8 bytes, its fifth pixel byte missing.
  cases[7].bytes[1036 + 6] = 8;
  cases[7].bytes.resize(cases[7].bytes.size() - 4);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Load(c.bytes, "data/bad.dar"), 0);
    EXPECT_EQ(LastText(), std::string(c.message) + "\n" + folder.Full("data/bad.dar"));
    EXPECT_EQ(boxes().back().caption, "DemoTitle");
    EXPECT_EQ(archive.loaded, 1);
    EXPECT_EQ(archive.PatternCount(), 2);
    uint8_t table[1024];
    archive.CopyPalette(table);
    EXPECT_EQ(table[0], 9);
    Display d(4, 4);
    Show(d);
    archive.DrawPattern(2, 2, 1);
    EXPECT_EQ(d.Pixel(3, 3), 2);
  }
  EXPECT_EQ(archive.Load("data\\none.dar"), 0);
  EXPECT_EQ(LastText(), "file not open! DarFile\n" + folder.Full("data/none.dar"));
  EXPECT_EQ(archive.loaded, 1);
}

// A run may pass the end of its row as long as it stays inside the data: the
// drawer reads on into the bytes after it, and the next row starts at its own
// place all the same.
TEST_F(DarArchiveTest, RunsPassingTheirRowDrawTheBytesAfterIt) {
  // Pattern 0, row size 8: the bottom row's run of 6 takes its last two bytes
  // from the top row's skip field (2, 0); the top row draws B1 after skip 2.
  std::vector<uint8_t> spill = Record(6, 8, 2, 8,
                                      {1, 0, 6, 0, 0xA1, 0xA2, 0xA3, 0xA4,  // bottom row
                                       2, 0, 1, 0, 0xB1, 0xEE, 0xEE, 0xEE});
  // Pattern 1, row size 6: the bottom row's empty run ends at byte 4, so a
  // second run starts 2 bytes before the row's end. Its skip is 2, its count
  // the top row's first byte (3), its pixels the top row's bytes 2 to 4
  // (2, 0, 0x91). The top row skips 3 and draws 0x91 0x92, the last bytes of
  // the data.
  std::vector<uint8_t> straddle = Record(6, 6, 2, 6,
                                         {1, 0, 0, 0, 2, 0,  // bottom row
                                          3, 0, 2, 0, 0x91, 0x92});
  const std::vector<uint8_t> file = DarFile(2, Cat({spill, straddle}));
  ASSERT_EQ(Load(file), 1);
  Display d(16, 5, 0x11);
  Show(d);
  archive.DrawPattern(4, 1, 0);
  archive.DrawPattern(8, 3, 1);
  EXPECT_TRUE(boxes().empty());
  std::vector<std::vector<uint8_t>> want(5, std::vector<uint8_t>(16, 0x11));
  want[1][6] = 0xB1;
  for (int i = 0; i < 6; ++i)
    want[2][5 + i] = std::vector<uint8_t>{0xA1, 0xA2, 0xA3, 0xA4, 2, 0}[i];
  want[3][11] = 0x91;
  want[3][12] = 0x92;
  want[4][11] = 2;
  want[4][12] = 0;
  want[4][13] = 0x91;
  for (int y = 0; y < 5; ++y) {
    std::vector<uint8_t> row;
    for (int x = 0; x < 16; ++x)
      row.push_back(d.Pixel(x, y));
    EXPECT_EQ(row, want[y]) << "row " << y;
  }

  // The tools' reader takes the same bytes.
  std::string error;
  std::optional<DarContents> c = DecodeDarBytes(file, &error);
  ASSERT_TRUE(c.has_value()) << error;
  EXPECT_EQ(c->patterns[0].pixels, (std::vector<int16_t>{-1, -1, 0xB1, -1, -1, -1, -1, -1,  //
                                                         -1, 0xA1, 0xA2, 0xA3, 0xA4, 2, 0, -1}));
  EXPECT_EQ(c->patterns[1].pixels, (std::vector<int16_t>{-1, -1, -1, 0x91, 0x92, -1,  //
                                                         -1, -1, -1, 2, 0, 0x91}));

  // One byte less and the last run reads past the data.
  EXPECT_EQ(Load(std::vector<uint8_t>(file.begin(), file.end() - 1)), 0);
  EXPECT_EQ(LastText(), "Dar Pattern Data Broken\n" + folder.Full("data/t.dar"));
  EXPECT_FALSE(DecodeDarBytes({file.begin(), file.end() - 1}, &error).has_value());
}

// Positions and runs that reach past the display are clipped: pixels inside
// are drawn, the rest of the display and the memory around it stay as they
// were.
TEST_F(DarArchiveTest, ClipsEverythingOutsideTheDisplay) {
  // A 4×4 solid pattern, and a 2-pixel-wide pattern whose run reaches 5
  // pixels past its width.
  std::vector<uint8_t> wide = Record(6, 2, 1, 12, RunBytes(0, {1, 2, 3, 4, 5, 6, 7}));
  DarContents solid;
  solid.patterns.push_back(DarPattern{4, 4, std::vector<int16_t>(16, 9)});
  std::vector<uint8_t> file = EncodeDar(solid, nullptr);
  file[6] = 2;
  file.insert(file.end(), wide.begin(), wide.end());
  ASSERT_EQ(Load(file), 1);

  Display d(8, 6);
  Show(d);
  archive.DrawPattern(-2, -2, 0);  // top-left corner outside
  EXPECT_EQ(d.CountNot(0), 4u);
  EXPECT_EQ(d.Pixel(0, 0), 9);
  EXPECT_EQ(d.Pixel(1, 1), 9);

  Display e(8, 6);
  Show(e);
  const int32_t far[] = {-1000, 1000, INT32_MIN, INT32_MAX};
  archive.DrawPatternDisplaced(0, 2, 0, far);
  EXPECT_EQ(e.CountNot(0), 0u);
  const int32_t some[] = {-3, 6, 0, 0};
  archive.DrawPatternDisplaced(2, 2, 0, some);
  EXPECT_EQ(e.Pixel(0, 5), 9);  // bottom row moved left to column -1: 3 of 4 pixels remain
  EXPECT_EQ(e.Pixel(2, 5), 9);
  EXPECT_EQ(e.Pixel(3, 5), 0);
  EXPECT_EQ(e.Pixel(7, 4), 0);  // next row moved right: all outside
  EXPECT_EQ(e.CountNot(0), 3u + 0 + 4 + 4);

  Display f(8, 2);
  Show(f);
  archive.DrawPattern(5, 1, 1);  // run of 7 from column 5: three inside
  EXPECT_EQ(f.Pixel(5, 1), 1);
  EXPECT_EQ(f.Pixel(7, 1), 3);
  EXPECT_EQ(f.CountNot(0), 3u);
  for (const Display* x : {&d, &e, &f})
    EXPECT_TRUE(x->GuardsIntact());
  EXPECT_TRUE(boxes().empty());
}

TEST_F(DarArchiveTest, DisplaysBeyondTheRowTableOrTheirBytesAreClipped) {
  ASSERT_EQ(Load(SolidArchive({{4, 700}})), 1);
  Display tall(4, 700);
  Show(tall);
  archive.DrawPattern(0, 0, 0);
  EXPECT_EQ(tall.CountNot(0), 640u * 4);  // memory rows 640 … 699 have no table entry
  EXPECT_EQ(tall.At(0, 639), 1);
  EXPECT_EQ(tall.At(0, 640), 0);
  EXPECT_TRUE(tall.GuardsIntact());

  // A display that claims more rows than its bytes hold.
  Display small(4, 3);
  archive.SetDisplay(4, 1000, small.bits(), small.bytes());
  archive.DrawPattern(0, 300, 0);  // memory rows 0 … 699: only 0 … 2 exist
  EXPECT_EQ(small.CountNot(0), 12u);
  EXPECT_TRUE(small.GuardsIntact());
  archive.SetDisplay(4, 1000, nullptr, 0);
  archive.DrawPattern(0, 0, 0);
  EXPECT_TRUE(boxes().empty());
}

}  // namespace
}  // namespace image
