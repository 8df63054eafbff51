// Random markup, time-bounded and with a fixed seed: the renderer must survive anything a list
// box can hold and always give the DC its font back.
#include "markup_canvas.h"

#include <iterator>
#include <random>

using MarkupFuzz = MarkupTest;

namespace {

const char* const TagWords[] = {
    "@OFS",  "@X",    "@XE",  "@D",   "@XCOL", "@BMP",  "@BBK",   "@RBR",  "@CL",    "@CSL",  "@CA",   "@CS",
    "@CD",   "@CR",   "@TXT", "@TXL", "@DTA",  "@BCK",  "@BKM",   "@FRG",  "@PEN",   "@SEP",  "@TREE", "@LIN",
    "@LINB", "@LINC", "@EL",  "@TL",  "@FL",   "@RECT", "@GRECT", "@SP",   "@DRC",   "@DR",   "@DRS",  "@SF",
    "@SFP",  "@SFD",  "@SFB", "@SCP", "@SCD",  "@SCB",  "@F01",   "@TXT7", "@XCOL1", "@CSLX", "@",
};
const char* const Pieces[] = {
    "ICOB011", "IMG1", "BRUSHSTATUS", "FF0000", "F4F4F4FFFFFF", "0",           "1",    "2",    "3", "6", "-1", "16",
    ",",       ";",    " ",           "65536",  "99999999999",  "-2147483648", "1123", "\x86", "W", "&", "0x", "\xff"};

std::string RandomArgument(std::mt19937& random) {
    std::string arg;
    const int pieces = std::uniform_int_distribution<int>(0, 5)(random);
    for (int i = 0; i < pieces; ++i) {
        switch (random() % 4) {
        case 0: arg += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random)); break;
        default: arg += Pieces[random() % std::size(Pieces)]; break;
        }
    }
    return arg;
}

std::string RandomMarkup(std::mt19937& random) {
    std::string text;
    const int tags = std::uniform_int_distribution<int>(0, 24)(random);
    for (int i = 0; i < tags; ++i) {
        text += TagWords[random() % std::size(TagWords)];
        switch (random() % 10) {
        case 0: break;                                          // no argument
        case 1: text += '\x82' + RandomArgument(random); break; // unclosed
        case 2: text += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(random)); break;
        default: text += '\x82' + RandomArgument(random) + '\x83'; break;
        }
    }
    if (random() % 20 == 0)
        text += std::string(random() % 3000, '\x82');
    return text;
}

} // namespace

TEST_F(MarkupFuzz, RandomMarkupDrawsWithoutCrashingAndRestoresTheFont) {
    std::mt19937 random(20240607);
    const int xs[] = {0, 40, 120};
    const int widths[] = {40, 80, 1000};
    const ColumnTable tables[] = {{0, nullptr, nullptr}, {3, xs, widths}, {5, xs, nullptr}};
    const HGDIOBJ font = GetCurrentObject(dc_, OBJ_FONT);
    const DWORD start = GetTickCount();
    int items = 0;
    while (GetTickCount() - start < 12000) {
        const std::string text = RandomMarkup(random);
        const UINT state = random() % 4 == 0 ? ODS_SELECTED : 0;
        const UINT focus = random() % 4 == 0 ? ODS_FOCUS : 0;
        Draw(text, state | focus, random() % 3, &tables[random() % 3]);
        ASSERT_EQ(font, GetCurrentObject(dc_, OBJ_FONT)) << "after item " << items;
        const DRAWITEMSTRUCT item = MakeItem(0, state);
        RenderMarkup(AppInstance, &item, text.c_str(), &tables[1], 0.5 + (random() % 8) / 2.0);
        ASSERT_EQ(font, GetCurrentObject(dc_, OBJ_FONT)) << "after item " << items;
        ++items;
    }
    RecordProperty("items", items);
    EXPECT_GT(items, 100);
}
