#include "particles/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Texts(const char* script) {
    TokenList list;
    list.Tokenize(script);
    std::vector<std::string> texts;
    for (const Token& t : list) texts.push_back(t.text);
    return texts;
}

TokenKind KindOf(const char* word) {
    Token t{word, TokenKind::Unknown};
    TokenList::ClassifyToken(t);
    return t.kind;
}

using V = std::vector<std::string>;

}  // namespace

TEST(TokenizerSplitting, BlanksAroundEqualsAreNeeded) {
    EXPECT_EQ(Texts("Size = 5"), (V{"SIZE", "=", "5"}));
    EXPECT_EQ(Texts("Size=5"), (V{"SIZE=5"}));
}

TEST(TokenizerSplitting, DelimitersStandAlone) {
    EXPECT_EQ(Texts("Random(0.5,1)"), (V{"RANDOM", "(", "0.5", ",", "1", ")"}));
    EXPECT_EQ(Texts("XYZ (1, -2, 3)"), (V{"XYZ", "(", "1", ",", "-2", ",", "3", ")"}));
    EXPECT_EQ(Texts("{}"), (V{"{", "}"}));
}

TEST(TokenizerSplitting, QuotedTextKeepsEverythingInside) {
    EXPECT_EQ(Texts("Texture = \"a b//c.bmp\""), (V{"TEXTURE", "=", "\"a b//c.bmp\""}));
    EXPECT_EQ(Texts("abc\"def\""), (V{"ABC", "\"def\""}));
    EXPECT_EQ(Texts("\"unterminated (x"), (V{"\"unterminated (x"}));
}

TEST(TokenizerSplitting, CommentsRunToTheNewline) {
    EXPECT_EQ(Texts("Lifetime = 2 // seconds\nLoops"), (V{"LIFETIME", "=", "2", "LOOPS"}));
    EXPECT_EQ(Texts("2// seconds"), (V{"2"}));
    EXPECT_EQ(Texts("a // no newline at the end"), (V{"A"}));
    EXPECT_EQ(Texts("a/b"), (V{"A/B"}));
}

TEST(TokenizerSplitting, EmptyTextsGiveNoTokens) {
    EXPECT_TRUE(Texts("").empty());
    EXPECT_TRUE(Texts(" \t\r\n\v\f// only a comment\n  // another").empty());
    EXPECT_TRUE(Texts(nullptr).empty());
}

TEST(TokenizerSplitting, LastWordWithoutNewlineIsKept) { EXPECT_EQ(Texts("x y"), (V{"X", "Y"})); }

TEST(TokenizerSplitting, AByteOrderMarkAtTheStartIsWhiteSpace) {
    EXPECT_EQ(Texts("\xEF\xBB\xBFParticleSystem \"p\""), (V{"PARTICLESYSTEM", "\"p\""}));
    EXPECT_TRUE(Texts("\xEF\xBB\xBF").empty());
    // Elsewhere, or cut short, the bytes stay part of a word.
    EXPECT_EQ(Texts("a \xEF\xBB\xBF"), (V{"A", "\xEF\xBB\xBF"}));
    EXPECT_EQ(Texts("\xEF\xBBx"), (V{"\xEF\xBBX"}));
}

TEST(TokenizerSplitting, TokensKnowTheLineTheyStartOn) {
    TokenList list;
    list.Tokenize("a\r\n  \"two\nlines\" b // c\n\n{ d\n");
    std::vector<int> lines;
    for (const Token& t : list) lines.push_back(t.line);
    EXPECT_EQ(lines, (std::vector<int>{1, 2, 3, 5, 5}));
}

TEST(TokenizerClassification, FirstCharacterDecidesPunctuationAndNumbers) {
    EXPECT_EQ(KindOf("-"), TokenKind::Number);
    EXPECT_EQ(KindOf("12abc"), TokenKind::Number);
    EXPECT_EQ(KindOf("=x"), TokenKind::Equals);
    EXPECT_EQ(KindOf(","), TokenKind::Comma);
    EXPECT_EQ(KindOf("("), TokenKind::OpenParen);
    EXPECT_EQ(KindOf(")"), TokenKind::CloseParen);
    EXPECT_EQ(KindOf("{"), TokenKind::OpenBrace);
    EXPECT_EQ(KindOf("}"), TokenKind::CloseBrace);
    EXPECT_EQ(KindOf("\"x"), TokenKind::QuotedString);
}

TEST(TokenizerClassification, NumbersAndQuotedStringsKeepTheirCase) {
    Token number{"1e5", TokenKind::Unknown};
    TokenList::ClassifyToken(number);
    EXPECT_EQ(number.text, "1e5");
    Token quoted{"\"Tex.bmp\"", TokenKind::Unknown};
    TokenList::ClassifyToken(quoted);
    EXPECT_EQ(quoted.text, "\"Tex.bmp\"");
    Token word{"mySize", TokenKind::Unknown};
    TokenList::ClassifyToken(word);
    EXPECT_EQ(word.text, "MYSIZE");
}

TEST(TokenizerClassification, KeywordsAreFoundInsideWordsInTheirOrder) {
    EXPECT_EQ(KindOf("particlesystem"), TokenKind::KwParticleSystem);
    EXPECT_EQ(KindOf("EventSequence"), TokenKind::KwEventSequence);
    EXPECT_EQ(KindOf("MySizeX"), TokenKind::ScalarEventProperty);
    EXPECT_EQ(KindOf("RedColor"), TokenKind::ColorEventProperty);
    EXPECT_EQ(KindOf("VelocityX"), TokenKind::VelocityEventProperty);
    EXPECT_EQ(KindOf("EmitRate"), TokenKind::NumericProperty);  // contains AT, but not as a word
    EXPECT_EQ(KindOf("Lifetimes"), TokenKind::NumericProperty);
    EXPECT_EQ(KindOf("SpawnDir"), TokenKind::VectorProperty);
    EXPECT_EQ(KindOf("EmitRadius"), TokenKind::VectorProperty);
    EXPECT_EQ(KindOf("Gravity"), TokenKind::VectorProperty);
    EXPECT_EQ(KindOf("SourceBlendMode"), TokenKind::BlendProperty);
    EXPECT_EQ(KindOf("destblendmode"), TokenKind::BlendProperty);
    EXPECT_EQ(KindOf("D3DBLEND_ONE"), TokenKind::BlendModeName);
    EXPECT_EQ(KindOf("Position"), TokenKind::KwPosition);
    EXPECT_EQ(KindOf("EventTimer"), TokenKind::ScalarEventProperty);
    EXPECT_EQ(KindOf("alpha"), TokenKind::ScalarEventProperty);
    EXPECT_EQ(KindOf("so"), TokenKind::KwSo);
    EXPECT_EQ(KindOf("At"), TokenKind::KwAt);
    EXPECT_EQ(KindOf("SOX"), TokenKind::Unknown);
    EXPECT_EQ(KindOf("Speed"), TokenKind::Unknown);
    // Earlier keywords win over later ones.
    EXPECT_EQ(KindOf("RandomSize"), TokenKind::KwRandom);
    EXPECT_EQ(KindOf("FadeColor"), TokenKind::KwFade);
    EXPECT_EQ(KindOf("InitialFinal"), TokenKind::KwInitial);
    EXPECT_EQ(KindOf("FinalTexture"), TokenKind::KwFinal);
    EXPECT_EQ(KindOf("TextureSize"), TokenKind::KwTexture);
    EXPECT_EQ(KindOf("D3DBLEND_LIFETIME"), TokenKind::BlendModeName);
    EXPECT_EQ(KindOf("LoopsGravity"), TokenKind::NumericProperty);
    EXPECT_EQ(KindOf("GravityPosition"), TokenKind::VectorProperty);
    EXPECT_EQ(KindOf("PositionSize"), TokenKind::KwPosition);
    EXPECT_EQ(KindOf("SizeVelocity"), TokenKind::ScalarEventProperty);
    EXPECT_EQ(KindOf("VelocityColor"), TokenKind::VelocityEventProperty);
}

TEST(TokenizerClassification, BytesOutsideAsciiAreWords) {
    EXPECT_EQ(KindOf("\xC3\xA9t\xC3\xA9"), TokenKind::Unknown);
    EXPECT_EQ(Texts("\xFF\xFE size"), (V{"\xFF\xFE", "SIZE"}));
}
