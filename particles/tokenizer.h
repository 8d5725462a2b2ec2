// Tokens of a particle script (.dps): the whole text becomes a flat list of tokens with a kind.
// The tokenizer never fails; all checking is the compiler's.
#pragma once

#include <string>
#include <vector>

enum class TokenKind {
    Number = 1,             // first character a digit or '-'
    Equals,                 // first character '='
    Comma,
    OpenParen,
    CloseParen,
    OpenBrace,
    CloseBrace,
    QuotedString,           // first character '"'; text keeps its quotes and case
    KwParticleSystem,
    KwEventSequence,
    KwRandom,
    KwXYZ,
    KwRGBA,
    KwTexture,
    BlendModeName,          // "D3DBLEND_..."
    KwPosition,
    BlendProperty,          // SourceBlendMode, DestBlendMode
    KwFade,
    KwSo,
    KwAt,
    KwInitial,
    KwFinal,
    ScalarEventProperty,    // Size, EventTimer, Alpha (and the colour channels)
    VelocityEventProperty,
    ColorEventProperty,
    NumericProperty,        // Lifetime, EmitRate, NumParticles, Loops
    VectorProperty,         // SpawnDir, Gravity, EmitRadius
    Unknown,
};

struct Token {
    std::string text;  // upper case for words; as written for numbers and quoted strings
    TokenKind kind = TokenKind::Unknown;
    int line = 0;      // 1-based line of the script on which the token starts
};

class TokenList {
public:
    using const_iterator = std::vector<Token>::const_iterator;

    // Appends the tokens of a NUL-terminated script text. A UTF-8 byte-order mark at its start,
    // as some editors write, counts as white space.
    void Tokenize(const char* text);
    // Classifies a copy of the token and appends it; an empty text adds nothing.
    void AddToken(const Token& token);
    // Sets the kind from the text; words are converted to upper case in place.
    static void ClassifyToken(Token& token);

    void Clear() { m_tokens.clear(); }
    std::size_t Size() const { return m_tokens.size(); }
    const Token& operator[](std::size_t i) const { return m_tokens[i]; }
    const_iterator begin() const { return m_tokens.begin(); }
    const_iterator end() const { return m_tokens.end(); }

private:
    std::vector<Token> m_tokens;
};
