#include "particles/tokenizer.h"

#include <cstring>

namespace {

// The C locale's character classes, written out so that no locale and no sign of char matters.
bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char ToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDelimiter(char c) { return c == '(' || c == ')' || c == ',' || c == '{' || c == '}'; }

enum class SplitState { Between, Word, Quoted, Comment };

bool Contains(const std::string& text, const char* keyword) {
    return text.find(keyword) != std::string::npos;
}

}  // namespace

void TokenList::Tokenize(const char* text) {
    if (text == nullptr) return;
    static const char kByteOrderMark[] = "\xEF\xBB\xBF";
    if (std::strncmp(text, kByteOrderMark, 3) == 0) text += 3;
    SplitState state = SplitState::Between;
    std::string pending;
    int line = 1;         // of the character under p
    int pendingLine = 1;  // of the pending token's first character
    auto emit = [&] {
        AddToken(Token{pending, TokenKind::Unknown, pendingLine});
        pending.clear();
    };
    auto emitDelimiter = [&](char c) { AddToken(Token{std::string(1, c), TokenKind::Unknown, line}); };

    for (const char* p = text; *p != '\0'; ++p) {
        const char c = *p;
        if (state == SplitState::Between) pendingLine = line;
        const bool commentStart = c == '/' && p[1] == '/';
        switch (state) {
        case SplitState::Between:
            if (IsSpace(c)) {
            } else if (commentStart) {
                state = SplitState::Comment;
            } else if (c == '"') {
                pending.assign(1, c);
                state = SplitState::Quoted;
            } else if (IsDelimiter(c)) {
                emitDelimiter(c);
            } else {
                pending.assign(1, c);
                state = SplitState::Word;
            }
            break;
        case SplitState::Word:
            if (IsSpace(c)) {
                emit();
                state = SplitState::Between;
            } else if (commentStart) {
                emit();
                state = SplitState::Comment;
            } else if (c == '"') {
                emit();
                pending.assign(1, c);
                state = SplitState::Quoted;
            } else if (IsDelimiter(c)) {
                emit();
                emitDelimiter(c);
                state = SplitState::Between;
            } else {
                pending += c;
            }
            break;
        case SplitState::Quoted:
            pending += c;
            if (c == '"') {
                emit();
                state = SplitState::Between;
            }
            break;
        case SplitState::Comment:
            if (c == '\n') state = SplitState::Between;
            break;
        }
        if (c == '\n') ++line;
    }
    if (state == SplitState::Word || state == SplitState::Quoted) emit();
}

void TokenList::AddToken(const Token& token) {
    if (token.text.empty()) return;
    Token copy = token;
    ClassifyToken(copy);
    m_tokens.push_back(std::move(copy));
}

void TokenList::ClassifyToken(Token& token) {
    token.kind = TokenKind::Unknown;
    std::string& text = token.text;
    if (text.empty()) return;

    switch (text[0]) {
    case '=': token.kind = TokenKind::Equals; return;
    case ',': token.kind = TokenKind::Comma; return;
    case '(': token.kind = TokenKind::OpenParen; return;
    case ')': token.kind = TokenKind::CloseParen; return;
    case '{': token.kind = TokenKind::OpenBrace; return;
    case '}': token.kind = TokenKind::CloseBrace; return;
    case '"': token.kind = TokenKind::QuotedString; return;
    default: break;
    }
    if (IsDigit(text[0]) || text[0] == '-') {
        token.kind = TokenKind::Number;
        return;
    }

    for (char& c : text) c = ToUpper(c);

    // The order decides: the first keyword found anywhere in the word gives the kind.
    struct Rule {
        const char* keywords[4];
        TokenKind kind;
        bool wholeWord;  // "SO" and "AT" count only as two-letter words
    };
    static const Rule kRules[] = {
        {{"PARTICLESYSTEM"}, TokenKind::KwParticleSystem, false},
        {{"EVENTSEQUENCE"}, TokenKind::KwEventSequence, false},
        {{"RANDOM"}, TokenKind::KwRandom, false},
        {{"XYZ"}, TokenKind::KwXYZ, false},
        {{"RGBA"}, TokenKind::KwRGBA, false},
        {{"FADE"}, TokenKind::KwFade, false},
        {{"INITIAL"}, TokenKind::KwInitial, false},
        {{"FINAL"}, TokenKind::KwFinal, false},
        {{"TEXTURE"}, TokenKind::KwTexture, false},
        {{"SO"}, TokenKind::KwSo, true},
        {{"AT"}, TokenKind::KwAt, true},
        {{"D3DBLEND_"}, TokenKind::BlendModeName, false},
        {{"SOURCEBLENDMODE", "DESTBLENDMODE"}, TokenKind::BlendProperty, false},
        {{"LIFETIME", "EMITRATE", "NUMPARTICLES", "LOOPS"}, TokenKind::NumericProperty, false},
        {{"SPAWNDIR", "GRAVITY", "EMITRADIUS"}, TokenKind::VectorProperty, false},
        {{"POSITION"}, TokenKind::KwPosition, false},
        {{"SIZE", "EVENTTIMER", "ALPHA"}, TokenKind::ScalarEventProperty, false},
        {{"VELOCITY"}, TokenKind::VelocityEventProperty, false},
        {{"COLOR"}, TokenKind::ColorEventProperty, false},
    };
    for (const Rule& rule : kRules) {
        for (const char* keyword : rule.keywords) {
            if (keyword == nullptr) break;
            const bool found = rule.wholeWord ? text.size() == 2 && Contains(text, keyword)
                                              : Contains(text, keyword);
            if (found) {
                token.kind = rule.kind;
                return;
            }
        }
    }
}
