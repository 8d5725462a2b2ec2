// The particle script compiler: parse operations over a token list with a cursor. Each parse
// operation takes the cursor by reference and the end of the list; on success it leaves the
// cursor on the first token after what it consumed, on an error it throws a ScriptError.
#pragma once

#include "particles/tokenizer.h"
#include "particles/value_range.h"
#include "platform/win32.h"

#include <memory>
#include <string>

class CParticleEmitter;
class CParticleEventSequence;
class CParticleEvent;

using TokenCursor = TokenList::const_iterator;

// A compile error: one fixed message text (at most 255 characters) and the script line it was
// met on (0 until CompileScript sets it). The first error ends the compile.
class ScriptError {
public:
    explicit ScriptError(const char* text);
    const char* Text() const { return m_text; }
    int Line() const { return m_line; }
    void SetLine(int line) { m_line = line; }

private:
    char m_text[256];
    int m_line = 0;
};

// Most particles one script may ask for, over all its sequences (each pool's storage is
// allocated at once when the device objects are made).
constexpr int kMaxScriptParticles = 1000000;

// The token under the cursor; "Unexpected end-of-file." when the cursor is at the end.
const Token& CurrentToken(TokenCursor cursor, TokenCursor end);

// Steps to the next token; "Unexpected end-of-file." when already at the end.
void NextToken(TokenCursor& cursor, TokenCursor end);

// A number n (range n..n) or Random(a, b) (range a..b, as written).
void ParseValue(ValueRange<float>& range, TokenCursor& cursor, TokenCursor end);
// XYZ(value, value, value): minimum and maximum collected per component.
void ParseVector(ValueRange<D3DXVECTOR3>& range, TokenCursor& cursor, TokenCursor end);
// RGBA(red, green, blue, alpha).
void ParseColor(ValueRange<D3DXCOLOR>& range, TokenCursor& cursor, TokenCursor end);
// D3DBLEND_ZERO .. D3DBLEND_SRCALPHASAT into its D3DBLEND value 1..11.
void ParseBlendMode(DWORD& value, TokenCursor& cursor, TokenCursor end);
// [fade so] at value | initial | [fade so] final. initialTime is 0, finalTime the sequence's
// maximum lifetime.
void ParseTimeSpec(ValueRange<float>& timeRange, bool& fade, float initialTime, float finalTime,
                   TokenCursor& cursor, TokenCursor end);

// Cursor on a property word: steps over it, requires "=", then reads the value.
void ParseAssignedValue(ValueRange<float>& range, TokenCursor& cursor, TokenCursor end);
void ParseAssignedVector(ValueRange<D3DXVECTOR3>& range, TokenCursor& cursor, TokenCursor end);
void ParseAssignedColor(ValueRange<D3DXCOLOR>& range, TokenCursor& cursor, TokenCursor end);

// The two blocks; the cursor stands on the opening brace of the system block and on the
// EventSequence word of a sequence block. Both return true on success.
bool CompileSystemBlock(CParticleEmitter& emitter, TokenCursor& cursor, TokenCursor end);
bool CompileSequenceBlock(CParticleEventSequence& sequence, TokenCursor& cursor, TokenCursor end);

// The whole script into the emitter (which has been cleared). Throws ScriptError with the line
// of the token the compile stood on (the last token's line at the end of the script).
void CompileScript(CParticleEmitter& emitter, const char* text);

// The event class whose name the (upper-case) word contains, or null.
std::unique_ptr<CParticleEvent> CreateEvent(const std::string& word);

// The text without any double-quote characters.
std::string StripQuotes(const std::string& text);

// A 32-bit float truncated toward zero into an int, saturating at the ends of the int range;
// not-a-number gives 0.
int TruncateToInt(float value);
