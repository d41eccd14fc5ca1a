// The resource reader on small hand-built files, without the Windows programs.
#include <gtest/gtest.h>

#include "pe_resources.h"
#include "resource_decoders.h"

namespace {

using Buffer = std::vector<std::uint8_t>;

void Put16(Buffer& b, std::size_t at, std::uint32_t v) {
  if (b.size() < at + 2) b.resize(at + 2);
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(Buffer& b, std::size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}
template <std::size_t N>
void Append16(Buffer& b, const char16_t (&units)[N]) {  // without the literal's own terminator
  for (std::size_t i = 0; i + 1 < N; ++i) Put16(b, b.size(), units[i]);
}

constexpr std::uint32_t kSectionRva = 0x1000, kSectionOffset = 0x200;

// One string block (type 6, block 1, language 1033) in a .rsrc section: a
// directory per level, one entry each, then the data entry and the data.
Buffer ResourceSection(const Buffer& data) {
  const std::uint32_t keys[] = {6, 1, 1033};
  Buffer s;
  for (std::uint32_t level = 0; level < 3; ++level) {
    Put16(s, level * 24 + 14, 1);  // one id entry
    Put32(s, level * 24 + 16, keys[level]);
    Put32(s, level * 24 + 20, level < 2 ? 0x80000000u | (level + 1) * 24 : 72);
  }
  Put32(s, 72, kSectionRva + 88);
  Put32(s, 76, static_cast<std::uint32_t>(data.size()));
  s.resize(88);
  s.insert(s.end(), data.begin(), data.end());
  return s;
}

Buffer PeFile(bool plus, const Buffer& section, std::uint32_t resource_rva = kSectionRva) {
  Buffer f(kSectionOffset);
  Put16(f, 0, 0x5A4D);
  Put32(f, 0x3C, 0x40);
  Put32(f, 0x40, 0x4550);
  Put16(f, 0x46, 1);                                   // one section
  std::uint32_t optional_size = plus ? 240 : 224, optional = 0x58;
  Put16(f, 0x54, optional_size);
  Put16(f, optional, plus ? 0x20B : 0x10B);
  Put32(f, optional + (plus ? 108 : 92), 16);          // data directories
  Put32(f, optional + (plus ? 112 : 96) + 16, resource_rva);
  Put32(f, optional + (plus ? 112 : 96) + 20, static_cast<std::uint32_t>(section.size()));
  std::size_t header = optional + optional_size;
  Put32(f, header + 12, kSectionRva);
  Put32(f, header + 16, static_cast<std::uint32_t>(section.size()));
  Put32(f, header + 20, kSectionOffset);
  f.insert(f.end(), section.begin(), section.end());
  return f;
}

Buffer StringBlock() {  // slot 0 "A", slot 3 "héllo", the rest empty
  Buffer b;
  Append16(b, u"\x0001" u"A" u"\0\0" u"\x0005" u"h\u00E9llo");
  for (int i = 4; i < 16; ++i) Append16(b, u"\0");
  return b;
}

TEST(PeResources, ReadsTheResourceTreeOfPe32AndPe32Plus) {
  for (bool plus : {false, true}) {
    pe::PeImage image(PeFile(plus, ResourceSection(StringBlock())));
    EXPECT_EQ(image.is_pe32_plus(), plus);
    ASSERT_EQ(image.resources().size(), 1u);
    const pe::Resource& leaf = image.resources()[0];
    EXPECT_EQ(leaf.type, pe::ResId::Id(6));
    EXPECT_EQ(leaf.name, pe::ResId::Id(1));
    EXPECT_EQ(leaf.language, 1033);
    EXPECT_EQ(Buffer(leaf.data.begin(), leaf.data.end()), StringBlock());
    EXPECT_TRUE(image.unsorted_directories().empty());
  }
}

TEST(PeResources, RejectsEveryTruncationOfAFile) {
  Buffer file = PeFile(false, ResourceSection(StringBlock()));
  for (std::size_t size = 0; size < file.size(); ++size) {
    EXPECT_THROW(pe::PeImage{Buffer(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size))},
                 pe::FormatError)
        << size;
  }
}

TEST(PeResources, RejectsOffsetsThatLeadOutsideTheFile) {
  Buffer section = ResourceSection(StringBlock());
  Buffer data_outside = section, loop = section, far_name = section;
  Put32(data_outside, 72, 0x9000);           // data RVA in no section
  Put32(loop, 68, 0x80000000u);              // the language level leads back to the root
  Put32(far_name, 16, 0x80000000u | 0xFFF0);  // a type name past the end
  const Buffer files[] = {PeFile(true, section, 0x8000), PeFile(true, data_outside), PeFile(true, loop),
                          PeFile(true, far_name)};
  for (const Buffer& file : files) EXPECT_THROW(pe::PeImage{file}, pe::FormatError);
}

TEST(ResourceDecoders, StringBlockHoldsSixteenIdsFromItsNumber) {
  EXPECT_EQ(pe::DecodeStringBlock(2, StringBlock()),
            (std::map<std::uint16_t, std::string>{{16, "A"}, {19, "h\u00E9llo"}}));
  Buffer cut = StringBlock();
  cut.pop_back();
  EXPECT_THROW(pe::DecodeStringBlock(2, cut), pe::FormatError);
  EXPECT_THROW(pe::DecodeStringBlock(0, StringBlock()), pe::FormatError);
}

TEST(ResourceDecoders, DialogTemplateWithFontAndDwordAlignedItems) {
  Buffer b;
  Put32(b, 0, 0x800000C0);
  Put16(b, 8, 2);                                       // two items
  Put16(b, 14, 250);
  Put16(b, 16, 33);
  Append16(b, u"\0\0Hi!\0\x0009\uFF2D\uFF33\0");  // no menu, no class, title, 9 pt, font
  Put32(b, 40, 0x50020001);                             // first item: 38 bytes rounded up to 40
  Put16(b, 48, 13);                                     // x
  Put16(b, 56, 1010);                                   // id
  Append16(b, u"\xFFFF\x0082Static\0\x0002\x1234");  // Static, "Static", 2 bytes of extra data
  Put16(b, 96, 0xFFFF);                                 // second item at 80: its id
  Append16(b, u"\xFFFF\x0080\xFFFF\x006B\0");        // Button, ordinal 107, no extra data

  pe::Dialog dialog = pe::DecodeDialog(b);
  EXPECT_EQ(dialog.style, 0x800000C0u);
  EXPECT_EQ(std::vector<int>({dialog.cx, dialog.cy}), std::vector<int>({250, 33}));
  EXPECT_TRUE(dialog.menu.absent() && dialog.window_class.absent());
  EXPECT_EQ(dialog.title, "Hi!");
  EXPECT_EQ(dialog.point_size, 9);
  EXPECT_EQ(dialog.font, "\uFF2D\uFF33");
  ASSERT_EQ(dialog.items.size(), 2u);
  EXPECT_EQ(dialog.items[0].style, 0x50020001u);
  EXPECT_EQ(dialog.items[0].x, 13);
  EXPECT_EQ(dialog.items[0].id, 1010);
  EXPECT_EQ(dialog.items[0].window_class.ordinal, 0x82);
  EXPECT_EQ(dialog.items[0].text.text, "Static");
  EXPECT_EQ(dialog.items[0].extra, (std::vector<std::uint8_t>{0x34, 0x12}));
  EXPECT_EQ(dialog.items[1].id, 0xFFFF);
  EXPECT_EQ(dialog.items[1].window_class.ordinal, 0x80);
  EXPECT_EQ(dialog.items[1].text.ordinal, 107);

  b.pop_back();
  EXPECT_THROW(pe::DecodeDialog(b), pe::FormatError);
  EXPECT_TRUE(pe::IsExtendedDialog(Buffer{1, 0, 0xFF, 0xFF, 0, 0, 0, 0}));
}

}  // namespace
