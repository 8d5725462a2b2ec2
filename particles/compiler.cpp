#include "particles/compiler.h"

#include "particles/event_sequence.h"
#include "particles/particle_emitter.h"
#include "particles/particle_event.h"

#include <cmath>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ScriptError::ScriptError(const char* text) {
    std::snprintf(m_text, sizeof(m_text), "%s", text != nullptr ? text : "");
}

namespace {

constexpr const char* kEndOfFile = "Unexpected end-of-file.";

bool Contains(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

TokenKind KindAt(TokenCursor cursor, TokenCursor end) { return CurrentToken(cursor, end).kind; }

// The current token must be of the kind, else the message.
void Expect(TokenKind kind, const char* message, TokenCursor cursor, TokenCursor end) {
    if (KindAt(cursor, end) != kind) throw ScriptError(message);
}

// "Unexpected "%s" in ... Block!" with the token's text, cut to 255 characters.
[[noreturn]] void ThrowUnexpected(const char* format, const Token& token) {
    char text[256];
    std::snprintf(text, sizeof(text), format, token.text.c_str());
    throw ScriptError(text);
}

float ReadNumber(const Token& token) { return static_cast<float>(std::atof(token.text.c_str())); }

struct BlendModeEntry {
    char name[28];
    DWORD value;
};
const BlendModeEntry kBlendModes[11] = {
    {"D3DBLEND_ZERO", 1},         {"D3DBLEND_ONE", 2},          {"D3DBLEND_SRCCOLOR", 3},
    {"D3DBLEND_INVSRCCOLOR", 4},  {"D3DBLEND_SRCALPHA", 5},     {"D3DBLEND_INVSRCALPHA", 6},
    {"D3DBLEND_DESTALPHA", 7},    {"D3DBLEND_INVDESTALPHA", 8}, {"D3DBLEND_DESTCOLOR", 9},
    {"D3DBLEND_INVDESTCOLOR", 10}, {"D3DBLEND_SRCALPHASAT", 11},
};

// "= value" after a sequence or system property word (cursor on the word).
void StepOverEquals(TokenCursor& cursor, TokenCursor end) {
    NextToken(cursor, end);
    Expect(TokenKind::Equals, "Expected equals sign!", cursor, end);
    NextToken(cursor, end);
}

// One event line of a sequence block; the cursor stands on its time specifier.
void CompileEvent(CParticleEventSequence& sequence, TokenCursor& cursor, TokenCursor end) {
    ValueRange<float> timeRange;
    bool fade = false;
    ParseTimeSpec(timeRange, fade, 0.0f, sequence.GetLifetime().max, cursor, end);

    const TokenKind kind = KindAt(cursor, end);
    if (kind != TokenKind::ScalarEventProperty && kind != TokenKind::VelocityEventProperty &&
        kind != TokenKind::ColorEventProperty)
        throw ScriptError("Expecting particle property after time specifier!");

    std::unique_ptr<CParticleEvent> event;
    try {
        event = CreateEvent(cursor->text);
        if (!event) throw ScriptError("Unknown event type, or there was an error creating this event.");
        if (fade && !event->SupportsFade()) throw ScriptError("Fading is not supported on this event.");
        event->Parse(cursor, end);
        event->SetTimeRange(timeRange);
        event->SetFade(fade);
        sequence.AddEvent(std::move(event));
    } catch (const ScriptError&) {
        throw;  // the half-made event goes with its owner
    } catch (...) {
        throw ScriptError("Unhandled exception creating event!");
    }
}

}  // namespace

const Token& CurrentToken(TokenCursor cursor, TokenCursor end) {
    if (cursor == end) throw ScriptError(kEndOfFile);
    return *cursor;
}

void NextToken(TokenCursor& cursor, TokenCursor end) {
    if (cursor == end) throw ScriptError(kEndOfFile);
    ++cursor;
}

int TruncateToInt(float value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0f) return INT_MAX;
    if (value <= -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

std::string StripQuotes(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != '"') result += c;
    return result;
}

void ParseValue(ValueRange<float>& range, TokenCursor& cursor, TokenCursor end) {
    const Token& token = CurrentToken(cursor, end);
    if (token.kind == TokenKind::Number) {
        range.min = range.max = ReadNumber(token);
        NextToken(cursor, end);
        return;
    }
    if (token.kind != TokenKind::KwRandom)
        throw ScriptError("Expecting either Random(...) or a number value.");
    NextToken(cursor, end);
    Expect(TokenKind::OpenParen, "Expecting opening paren after Random keyword.", cursor, end);
    NextToken(cursor, end);
    Expect(TokenKind::Number, "Expecting first number within Random(...).", cursor, end);
    const float lo = ReadNumber(*cursor);
    NextToken(cursor, end);
    Expect(TokenKind::Comma, "Expecting comma within Random(...).", cursor, end);
    NextToken(cursor, end);
    Expect(TokenKind::Number, "Expecting second number within Random(...).", cursor, end);
    const float hi = ReadNumber(*cursor);
    NextToken(cursor, end);
    Expect(TokenKind::CloseParen, "Missing close paren on Random(...).", cursor, end);
    NextToken(cursor, end);
    range.min = lo;
    range.max = hi;
}

void ParseVector(ValueRange<D3DXVECTOR3>& range, TokenCursor& cursor, TokenCursor end) {
    constexpr const char* kComma = "Vector components must be seperated by a comma.";
    Expect(TokenKind::KwXYZ, "Expecting XYZ(...)!", cursor, end);
    NextToken(cursor, end);
    Expect(TokenKind::OpenParen, "Expecting ( after XYZ!", cursor, end);
    NextToken(cursor, end);
    ValueRange<float> x, y, z;
    ParseValue(x, cursor, end);
    Expect(TokenKind::Comma, kComma, cursor, end);
    NextToken(cursor, end);
    ParseValue(y, cursor, end);
    Expect(TokenKind::Comma, kComma, cursor, end);
    NextToken(cursor, end);
    ParseValue(z, cursor, end);
    Expect(TokenKind::CloseParen, "Expecting ) to close vector.", cursor, end);
    NextToken(cursor, end);
    range.min = D3DXVECTOR3(x.min, y.min, z.min);
    range.max = D3DXVECTOR3(x.max, y.max, z.max);
}

void ParseColor(ValueRange<D3DXCOLOR>& range, TokenCursor& cursor, TokenCursor end) {
    constexpr const char* kComma = "Color components must be seperated by a comma.";
    Expect(TokenKind::KwRGBA, "Expecting RGBA(...)!", cursor, end);
    NextToken(cursor, end);
    Expect(TokenKind::OpenParen, "Expecting ( after RGBA!", cursor, end);
    NextToken(cursor, end);
    ValueRange<float> r, g, b, a;
    ParseValue(r, cursor, end);
    Expect(TokenKind::Comma, kComma, cursor, end);
    NextToken(cursor, end);
    ParseValue(g, cursor, end);
    Expect(TokenKind::Comma, kComma, cursor, end);
    NextToken(cursor, end);
    ParseValue(b, cursor, end);
    Expect(TokenKind::Comma, kComma, cursor, end);
    NextToken(cursor, end);
    ParseValue(a, cursor, end);
    Expect(TokenKind::CloseParen, "Expecting ) to close vector.", cursor, end);
    NextToken(cursor, end);
    range.min = D3DXCOLOR(r.min, g.min, b.min, a.min);
    range.max = D3DXCOLOR(r.max, g.max, b.max, a.max);
}

void ParseBlendMode(DWORD& value, TokenCursor& cursor, TokenCursor end) {
    Expect(TokenKind::BlendModeName, "Expecting alpha blend mode (D3DBLEND_ZERO, D3DBLEND_ONE, etc.).",
           cursor, end);
    const std::string& word = cursor->text;
    for (const BlendModeEntry& entry : kBlendModes) {
        if (Contains(word, entry.name) && word.size() == std::strlen(entry.name)) {
            value = entry.value;
            NextToken(cursor, end);
            return;
        }
    }
    throw ScriptError("Invalid alpha blending mode!");
}

void ParseTimeSpec(ValueRange<float>& timeRange, bool& fade, float initialTime, float finalTime,
                   TokenCursor& cursor, TokenCursor end) {
    fade = false;
    if (KindAt(cursor, end) == TokenKind::KwFade) {
        NextToken(cursor, end);
        Expect(TokenKind::KwSo, "Expecting \"so\" after \"fade\".", cursor, end);
        fade = true;
        NextToken(cursor, end);
    }
    switch (KindAt(cursor, end)) {
    case TokenKind::KwAt:
        NextToken(cursor, end);
        ParseValue(timeRange, cursor, end);
        return;
    case TokenKind::KwInitial:
        if (fade) throw ScriptError("Cannot use \"fade so\" modifier on \"initial\" times.");
        timeRange = ValueRange<float>(initialTime, initialTime);
        NextToken(cursor, end);
        return;
    case TokenKind::KwFinal:
        timeRange = ValueRange<float>(finalTime, finalTime);
        NextToken(cursor, end);
        return;
    default:
        throw ScriptError(
            "Expected time specifier: \"[fade so] at\", \"initial\", or \"[fade so] final\"");
    }
}

void ParseAssignedValue(ValueRange<float>& range, TokenCursor& cursor, TokenCursor end) {
    NextToken(cursor, end);
    Expect(TokenKind::Equals, "Expecting = after property.", cursor, end);
    NextToken(cursor, end);
    ParseValue(range, cursor, end);
}

void ParseAssignedVector(ValueRange<D3DXVECTOR3>& range, TokenCursor& cursor, TokenCursor end) {
    NextToken(cursor, end);
    Expect(TokenKind::Equals, "Expecting = after property.", cursor, end);
    NextToken(cursor, end);
    ParseVector(range, cursor, end);
}

void ParseAssignedColor(ValueRange<D3DXCOLOR>& range, TokenCursor& cursor, TokenCursor end) {
    NextToken(cursor, end);
    Expect(TokenKind::Equals, "Expecting = after property.", cursor, end);
    NextToken(cursor, end);
    ParseColor(range, cursor, end);
}

std::unique_ptr<CParticleEvent> CreateEvent(const std::string& word) {
    // Tested in this order: the first name found in the word decides.
    if (Contains(word, "SIZE")) return std::make_unique<CParticleEvent_Size>();
    if (Contains(word, "EVENTTIMER")) return std::make_unique<CParticleEvent_EventTimer>();
    if (Contains(word, "REDCOLOR")) return std::make_unique<CParticleEvent_RedColor>();
    if (Contains(word, "GREENCOLOR")) return std::make_unique<CParticleEvent_GreenColor>();
    if (Contains(word, "BLUECOLOR")) return std::make_unique<CParticleEvent_BlueColor>();
    if (Contains(word, "ALPHA")) return std::make_unique<CParticleEvent_Alpha>();
    if (Contains(word, "COLOR")) return std::make_unique<CParticleEvent_Color>();
    if (Contains(word, "VELOCITYX")) return std::make_unique<CParticleEvent_VelocityX>();
    if (Contains(word, "VELOCITYY")) return std::make_unique<CParticleEvent_VelocityY>();
    if (Contains(word, "VELOCITYZ")) return std::make_unique<CParticleEvent_VelocityZ>();
    if (Contains(word, "VELOCITY")) return std::make_unique<CParticleEvent_Velocity>();
    return nullptr;
}

bool CompileSequenceBlock(CParticleEventSequence& sequence, TokenCursor& cursor, TokenCursor end) {
    constexpr const char* kAfterEvents = "Cannot specify any sequence properties after specifying events.";
    bool eventSeen = false;

    NextToken(cursor, end);
    Expect(TokenKind::QuotedString, "Must name particle sequence block!", cursor, end);
    sequence.SetName(cursor->text);
    NextToken(cursor, end);
    Expect(TokenKind::OpenBrace, "Expected opening brace for particle sequence block!", cursor, end);
    NextToken(cursor, end);

    while (KindAt(cursor, end) != TokenKind::CloseBrace) {
        const Token& token = *cursor;
        const std::string& word = token.text;
        switch (token.kind) {
        case TokenKind::NumericProperty: {
            if (eventSeen) throw ScriptError(kAfterEvents);
            StepOverEquals(cursor, end);
            ValueRange<float> value;
            ParseValue(value, cursor, end);
            if (Contains(word, "EMITRATE")) {
                sequence.SetEmitRate(value);
            } else if (Contains(word, "LIFETIME")) {
                sequence.SetLifetime(value);
            } else if (Contains(word, "NUMPARTICLES")) {
                // The pool is allocated at once: refuse sizes no pool can have.
                if (!(value.max > -1.0f && value.max < kMaxScriptParticles + 1.0f))
                    throw ScriptError("NumParticles must be between 0 and 1000000.");
                sequence.SetMaxParticles(TruncateToInt(value.max));
            } else if (Contains(word, "LOOPS")) {
                sequence.SetLoops(TruncateToInt(value.max));
            } else {
                throw ScriptError("Unknown sequence numeric property!");
            }
            break;
        }
        case TokenKind::VectorProperty: {
            if (eventSeen) throw ScriptError(kAfterEvents);
            StepOverEquals(cursor, end);
            ValueRange<D3DXVECTOR3> value;
            ParseVector(value, cursor, end);
            if (Contains(word, "SPAWNDIR"))
                sequence.SetSpawnDir(value);
            else if (Contains(word, "EMITRADIUS"))
                sequence.SetEmitRadius(value);
            else if (Contains(word, "GRAVITY"))
                sequence.SetGravity(value);
            else
                throw ScriptError("Unknown sequence vector property!");
            break;
        }
        case TokenKind::BlendProperty: {
            if (eventSeen) throw ScriptError(kAfterEvents);
            StepOverEquals(cursor, end);
            DWORD blend = 0;
            ParseBlendMode(blend, cursor, end);
            if (Contains(word, "SOURCEBLENDMODE"))
                sequence.SetSrcBlendMode(blend);
            else if (Contains(word, "DESTBLENDMODE"))
                sequence.SetDestBlendMode(blend);
            else
                throw ScriptError("Unknown sequence alpha blending mode property!");
            break;
        }
        case TokenKind::KwTexture:
            if (eventSeen) throw ScriptError(kAfterEvents);
            StepOverEquals(cursor, end);
            Expect(TokenKind::QuotedString, "Expected filename after texture sequence property.",
                   cursor, end);
            sequence.SetTexture(StripQuotes(cursor->text));
            NextToken(cursor, end);
            break;
        case TokenKind::KwFade:
        case TokenKind::KwAt:
        case TokenKind::KwInitial:
        case TokenKind::KwFinal:
            eventSeen = true;
            CompileEvent(sequence, cursor, end);
            break;
        default:
            ThrowUnexpected("Unexpected \"%s\" in Sequence Block!", token);
        }
    }

    sequence.PickEventTimes();
    sequence.SortEvents();
    sequence.LinkFadeEvents();
    NextToken(cursor, end);
    return true;
}

bool CompileSystemBlock(CParticleEmitter& emitter, TokenCursor& cursor, TokenCursor end) {
    bool sequenceSeen = false;
    long long totalParticles = 0;  // pool capacity over all sequences
    NextToken(cursor, end);
    while (KindAt(cursor, end) != TokenKind::CloseBrace) {
        const Token& token = *cursor;
        switch (token.kind) {
        case TokenKind::KwEventSequence: {
            sequenceSeen = true;
            CParticleEventSequence& sequence = emitter.AddSequence();
            sequence.Reset();
            if (!CompileSequenceBlock(sequence, cursor, end)) {
                emitter.RemoveLastSequence();
                break;
            }
            totalParticles += sequence.GetMaxParticles();
            if (totalParticles > kMaxScriptParticles)
                throw ScriptError("A particle system may hold at most 1000000 particles.");
            break;
        }
        case TokenKind::KwPosition: {
            if (sequenceSeen)
                throw ScriptError("Cannot specify any particle system properties after specifying sequences.");
            const std::string& word = token.text;
            StepOverEquals(cursor, end);
            ValueRange<D3DXVECTOR3> position;
            ParseVector(position, cursor, end);
            if (!Contains(word, "POSITION")) throw ScriptError("Unknown particle system property!");
            emitter.SetPosRange(position);
            break;
        }
        default:
            ThrowUnexpected("Unexpected \"%s\" in Particle System Block!", token);
        }
    }
    NextToken(cursor, end);
    return true;
}

void CompileScript(CParticleEmitter& emitter, const char* text) {
    TokenList tokens;
    tokens.Tokenize(text);
    const int lastLine = tokens.Size() > 0 ? tokens[tokens.Size() - 1].line : 1;
    TokenCursor cursor = tokens.begin();
    const TokenCursor end = tokens.end();
    try {
        if (tokens.Size() < 2) throw ScriptError("This script is too small to be valid.");
        Expect(TokenKind::KwParticleSystem, "First word must be ParticleSystem", cursor, end);
        NextToken(cursor, end);
        Expect(TokenKind::QuotedString, "Must name particle system", cursor, end);
        emitter.SetName(StripQuotes(cursor->text));
        NextToken(cursor, end);
        Expect(TokenKind::Number, "Must have version number", cursor, end);
        NextToken(cursor, end);
        Expect(TokenKind::OpenBrace, "Missing opening brace for ParticleSystem block", cursor, end);
        CompileSystemBlock(emitter, cursor, end);
    } catch (ScriptError& error) {
        // Every parse step moves this one cursor, so it still stands where the error was met.
        error.SetLine(cursor != end ? cursor->line : lastLine);
        throw;
    }
}
