// Font descriptions: parsing and formatting, and the values a screen font takes.
#include <gtest/gtest.h>

#include "text/font_description.h"

using namespace rg_Tolvar_MingLingJi;

TEST(font_description, parse_table) {
    const struct {
        const char16_t* in;
        rg_TolvarZiTiLei expected;
    } cases[] = {
        {u"\u9ED1\u4F53, 15, 0, 0, 0, 0, 0", {u"\u9ED1\u4F53", 15, 0, 0, 0, 0, 0}},
        {u", 11, 0, 0, 0, 0, 0", {u"", 11, 0, 0, 0, 0, 0}},
        {u"\u9ED1\u4F53, 15, true, 0, 0, 0, 0", {u"\u9ED1\u4F53", 15, 1, 0, 0, 0, 0}},
        {u"A,1,TRUE,\u771F,1,True,-900", {u"A", 1, 1, 1, 1, 1, -900}},
        {u"A,1,\u5047,false,0,yes,x", {u"A", 1, 0, 0, 0, 0, 0}},
        {u"  Arial  ,  12 ,1 , 0,0 ,0,  45  ", {u"Arial", 12, 1, 0, 0, 0, 45}},
        {u"", {u"", 0, 0, 0, 0, 0, 0}},
        {u"Only", {u"Only", 0, 0, 0, 0, 0, 0}},
        {u"F, abc, 1", {u"F", 0, 1, 0, 0, 0, 0}},
        {u"F, -15", {u"F", -15, 0, 0, 0, 0, 0}},
        {u"F, 12pt", {u"F", 12, 0, 0, 0, 0, 0}},
        {u"F, 99999999999", {u"F", 2147483647, 0, 0, 0, 0, 0}},
        {u"F, 1, 0, 0, 0, 0, 0, extra, more", {u"F", 1, 0, 0, 0, 0, 0}},
        {u"\tF\x01,\x20"
         u"2",
         {u"F", 2, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        rg_TolvarZiTiLei f;
        f.parseDescription(c.in);
        EXPECT_EQ(f, c.expected);
    }
}

TEST(font_description, format) {
    rg_TolvarZiTiLei f;
    EXPECT_EQ(f.formatDescription(), u", 0, 0, 0, 0, 0, 0");
    f.parseDescription(u"  \u9ED1\u4F53 ,15 , true,0,  1 ,0,  -900 ");
    EXPECT_EQ(f.formatDescription(), u"\u9ED1\u4F53, 15, 1, 0, 1, 0, -900");
    rg_TolvarZiTiLei g;
    g.parseDescription(f.formatDescription());
    EXPECT_EQ(g, f);
}

TEST(font_description, screen_font_fields) {
    ScreenFontFields a = screenFontFields(u", 11, 0, 0, 0, 0, 0");
    EXPECT_FALSE(a.face.has_value());
    EXPECT_EQ(a.points, 11);
    EXPECT_EQ(a.bold, false);
    EXPECT_EQ(a.angle, 0);

    ScreenFontFields b = screenFontFields(u"\u9ED1\u4F53, 15, 1, 0, 0, 0, 0");
    EXPECT_EQ(b.face, CWString(u"\u9ED1\u4F53"));
    EXPECT_EQ(b.bold, true);
    ScreenFontFields c = screenFontFields(u"\u9ED1\u4F53, 15, true, 0, 0, 0, 0");
    EXPECT_EQ(c.bold, false); // the screen font takes only "1"

    EXPECT_EQ(screenFontFields(u"F, 1, 0, 0, 0, 0, -900").angle, 2700);
    EXPECT_EQ(screenFontFields(u"F, 1, 0, 0, 0, 0, 3600").angle, 0);
    EXPECT_EQ(screenFontFields(u"F, 1, 0, 0, 0, 0, 7250").angle, 50);
    EXPECT_FALSE(screenFontFields(u"F, 1, 0, 0, 0, 0, ").angle.has_value());
    EXPECT_EQ(screenFontFields(u"F, -15").points, 15);

    ScreenFontFields shortOne = screenFontFields(u"Face, 9");
    EXPECT_EQ(shortOne.points, 9);
    EXPECT_FALSE(shortOne.bold.has_value());
    EXPECT_FALSE(shortOne.italic.has_value());
    EXPECT_FALSE(shortOne.angle.has_value());

    ScreenFontFields none = screenFontFields(u"");
    EXPECT_FALSE(none.face.has_value());
    EXPECT_FALSE(none.points.has_value());

    CWString longFace(40, u'x');
    EXPECT_EQ(screenFontFields(longFace + u", 9").face->size(), 40u); // cut to 31 by the window layer
}

TEST(font_description, split) {
    auto f = splitDescription(u" a , b ,,c", 7);
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0], u"a");
    EXPECT_EQ(f[2], u"");
    EXPECT_EQ(f[3], u"c");
    EXPECT_EQ(splitDescription(u"1,2,3,4,5,6,7,8,9", 7).size(), 7u);
    EXPECT_EQ(splitDescription(u"1,2,3,4,5,6,7,8,9", 7)[6], u"7");
}
