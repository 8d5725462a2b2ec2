#include "particles/compiler.h"
#include "particles/particle_emitter.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cmath>

#include <string>
#include <utility>

namespace {

constexpr const char* kOk = "0 error(s), you're good to go!";

// Compiles and returns the emitter's last-error text.
std::string Result(const std::string& script) {
    CParticleEmitter emitter;
    emitter.Compile(script.c_str());
    return emitter.GetLastError();
}

// A script with one sequence block whose body is given.
std::string InSequence(const std::string& body) {
    return "ParticleSystem \"p\" 1 { EventSequence \"s\" { " + body + " } }";
}

struct Case {
    const char* script;
    const char* message;
};

// Captures the debugger output while alive.
class DebugCapture {
public:
    DebugCapture() {
        m_previous = platform::SetDebugOutputSink([this](const char* text) { m_text += text; });
    }
    ~DebugCapture() { platform::SetDebugOutputSink(m_previous); }
    const std::string& Text() const { return m_text; }

private:
    std::string m_text;
    platform::DebugOutputSink m_previous;
};

}  // namespace

TEST(CompilerMessages, TopLevel) {
    const Case cases[] = {
        {"", "This script is too small to be valid."},
        {"ParticleSystem", "This script is too small to be valid."},
        {"Particle System", "First word must be ParticleSystem"},
        {"ParticleSystem p 1 { }", "Must name particle system"},
        {"ParticleSystem \"p\" v1 { }", "Must have version number"},
        {"ParticleSystem \"p\" 1 ( }", "Missing opening brace for ParticleSystem block"},
        {"ParticleSystem \"p\" 1 {", "Unexpected end-of-file."},
        {"ParticleSystem \"p\"", "Unexpected end-of-file."},
        {"ParticleSystem \"p\" 1 { Lifetime = 1 }", "Unexpected \"LIFETIME\" in Particle System Block!"},
        {"ParticleSystem \"p\" 1 { EventSequence \"s\" { } Position = XYZ(0,0,0) }",
         "Cannot specify any particle system properties after specifying sequences."},
        {"ParticleSystem \"p\" 1 { Position XYZ(0,0,0) }", "Expected equals sign!"},
        {"ParticleSystem \"p\" 1 { EventSequence s { } }", "Must name particle sequence block!"},
        {"ParticleSystem \"p\" 1 { EventSequence \"s\" ( } }", "Expected opening brace for particle sequence block!"},
    };
    for (const Case& c : cases) EXPECT_EQ(Result(c.script), c.message) << c.script;
}

TEST(CompilerMessages, UnexpectedTokenTextIsCutTo255Characters) {
    const std::string longWord(400, 'q');
    const std::string message = Result("ParticleSystem \"p\" 1 { " + longWord + " }");
    EXPECT_EQ(message.size(), 255u);
    EXPECT_EQ(message.substr(0, 13), "Unexpected \"Q");
}

TEST(CompilerMessages, SequenceBlock) {
    const Case cases[] = {
        {"Speed = 1", "Unexpected \"SPEED\" in Sequence Block!"},
        {"initial Size = 1 Lifetime = 1", "Cannot specify any sequence properties after specifying events."},
        {"initial Size = 1 Texture = \"a.png\"", "Cannot specify any sequence properties after specifying events."},
        {"initial Size = 1 Gravity = XYZ(0,0,0)", "Cannot specify any sequence properties after specifying events."},
        {"initial Size = 1 SourceBlendMode = D3DBLEND_ONE",
         "Cannot specify any sequence properties after specifying events."},
        {"Lifetime 1", "Expected equals sign!"},
        {"Texture = a.png", "Expected filename after texture sequence property."},
        {"SourceBlendMode = One", "Expecting alpha blend mode (D3DBLEND_ZERO, D3DBLEND_ONE, etc.)."},
        {"SourceBlendMode = D3DBLEND_BOTHSRCALPHA", "Invalid alpha blending mode!"},
        {"DestBlendMode = D3DBLEND_ONEX", "Invalid alpha blending mode!"},
        {"at 1 Speed = 2", "Expecting particle property after time specifier!"},
        {"Size = 1", "Unexpected \"SIZE\" in Sequence Block!"},
        {"initial Size=5", "Expecting = after property."},
        {"fade at 1 Size = 1", "Expecting \"so\" after \"fade\"."},
        {"fade so initial Size = 1", "Cannot use \"fade so\" modifier on \"initial\" times."},
        {"fade so at 1 EventTimer = 0", "Fading is not supported on this event."},
        {"fade so Size = 1", "Expected time specifier: \"[fade so] at\", \"initial\", or \"[fade so] final\""},
        {"initial Size = Random 1, 2)", "Expecting opening paren after Random keyword."},
        {"initial Size = Random(a, 2)", "Expecting first number within Random(...)."},
        {"initial Size = Random(1 2)", "Expecting comma within Random(...)."},
        {"initial Size = Random(1, )", "Expecting second number within Random(...)."},
        {"initial Size = Random(1, 2", "Missing close paren on Random(...)."},
        {"initial Size = big", "Expecting either Random(...) or a number value."},
        {"initial Size = Random(Random(1, 2), 3)", "Expecting first number within Random(...)."},
        {"Gravity = (1, 2, 3)", "Expecting XYZ(...)!"},
        {"Gravity = XYZ 1, 2, 3)", "Expecting ( after XYZ!"},
        {"Gravity = XYZ(1 2, 3)", "Vector components must be seperated by a comma."},
        {"Gravity = XYZ(1, 2 3)", "Vector components must be seperated by a comma."},
        {"Gravity = XYZ(1, 2, 3, 4)", "Expecting ) to close vector."},
        {"initial Color = XYZ(1, 1, 1)", "Expecting RGBA(...)!"},
        {"initial Color = RGBA 1, 1, 1, 1)", "Expecting ( after RGBA!"},
        {"initial Color = RGBA(1, 1, 1 1)", "Color components must be seperated by a comma."},
        {"initial Color = RGBA(1, 1, 1, 1, 1)", "Expecting ) to close vector."},
        {"initial Velocity = 1", "Expecting XYZ(...)!"},
        {"NumParticles = 2000000", "NumParticles must be between 0 and 1000000."},
        {"NumParticles = -1", "NumParticles must be between 0 and 1000000."},
        {"NumParticles = -nan", "NumParticles must be between 0 and 1000000."},
        {"NumParticles = 1000000 } EventSequence \"t\" {", "A particle system may hold at most 1000000 particles."},
    };
    for (const Case& c : cases) EXPECT_EQ(Result(InSequence(c.script)), c.message) << c.script;
}

TEST(CompilerMessages, EventClassesRefuseAWordWithoutTheirName) {
    // The factory and the class agree for every word the compiler hands over, so the guard
    // texts are reached only through Parse directly.
    TokenList tokens;
    tokens.Tokenize("Speed = 1");
    TokenCursor cursor = tokens.begin();
    const std::pair<const char*, const char*> cases[] = {
        {"SIZE", "Expecting Size!"},          {"EVENTTIMER", "Expecting EventTimer!"},
        {"REDCOLOR", "Expecting RedColor!"},  {"GREENCOLOR", "Expecting GreenColor!"},
        {"BLUECOLOR", "Expecting BlueColor!"}, {"ALPHA", "Expecting Alpha!"},
        {"COLOR", "Expecting Color!"},        {"VELOCITYX", "Expecting VelocityX!"},
        {"VELOCITYY", "Expecting VelocityY!"}, {"VELOCITYZ", "Expecting VelocityZ!"},
        {"VELOCITY", "Expecting Velocity!"},
    };
    for (const auto& [word, message] : cases) {
        auto event = CreateEvent(word);
        ASSERT_TRUE(event) << word;
        try {
            cursor = tokens.begin();
            event->Parse(cursor, tokens.end());
            ADD_FAILURE() << word;
        } catch (const ScriptError& e) {
            EXPECT_STREQ(e.Text(), message);
        }
    }
    EXPECT_FALSE(CreateEvent("SPEED"));
}

TEST(CompilerMessages, FailedCompileLeavesAnEmptyStoppedEmitterAndReportsTheText) {
    DebugCapture capture;
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(InSequence("Lifetime = 1").c_str()));
    emitter.Start();
    EXPECT_FALSE(emitter.Compile("ParticleSystem \"p\" x { }"));
    EXPECT_EQ(emitter.GetLastError(), "Must have version number");
    EXPECT_TRUE(emitter.GetSequences().empty());
    EXPECT_EQ(emitter.GetName(), "");
    EXPECT_FALSE(emitter.IsRunning());
    EXPECT_NE(capture.Text().find("Must have version number"), std::string::npos);
}

TEST(CompilerMessages, ErrorsCarryTheLineTheCompileStoodOn) {
    const struct {
        const char* script;
        int line;
    } cases[] = {
        {"ParticleSystem \"p\" 1 {\n  EventSequence \"s\" {\n    at 1 Speed = 2\n  }\n}", 3},
        {"ParticleSystem \"p\" 1 {\n  EventSequence \"s\" {\n    Lifetime = 2\n", 3},  // at the end: the last token's
        {"// comment\n\nnot a script", 3},
        {"", 1},
    };
    for (const auto& c : cases) {
        CParticleEmitter emitter;
        EXPECT_FALSE(emitter.Compile(c.script));
        EXPECT_EQ(emitter.GetLastErrorLine(), c.line) << c.script;
    }
    CParticleEmitter emitter;
    EXPECT_TRUE(emitter.Compile("\xEF\xBB\xBFParticleSystem \"p\" 1.0 { }")) << emitter.GetLastError();
    EXPECT_EQ(emitter.GetLastErrorLine(), 0);
}

TEST(CompilerResults, EmptySystemCompiles) {
    CParticleEmitter emitter;
    EXPECT_TRUE(emitter.Compile("ParticleSystem \"x\" 1.0 { }  trailing words are ignored {"));
    EXPECT_EQ(emitter.GetLastError(), kOk);
    EXPECT_EQ(emitter.GetName(), "x");
    EXPECT_TRUE(emitter.GetSequences().empty());
    EXPECT_EQ(emitter.GetPos(), D3DXVECTOR3(0, 0, 0));
}

TEST(CompilerResults, SequencePropertiesAndDefaults) {
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(
        "particlesystem \"My System\" 2 {\n"
        "  position = xyz(1, 2, 3)\n"
        "  EventSequence \"first\" {\n"
        "    Lifetimes = Random(1, 3) // hidden keyword\n"
        "    MyEmitRate = 5\n"
        "    NumParticles = Random(10, 20.9)\n"
        "    Loops = -3\n"
        "    SpawnDir = XYZ(1, 0, 0)\n"
        "    EmitRadius = XYZ(Random(-1, 1), 0, 2)\n"
        "    Gravity = XYZ(0, -9.8, 0)\n"
        "    SourceBlendMode = D3DBLEND_SRCALPHA\n"
        "    DestBlendMode = d3dblend_invsrcalpha\n"
        "    Texture = \"Textures/dot.png\"\n"
        "  }\n"
        "  EventSequence \"second\" { NumParticles = 7.9 }\n"
        "}"))
        << emitter.GetLastError();
    EXPECT_EQ(emitter.GetName(), "My System");
    EXPECT_EQ(emitter.GetPos(), D3DXVECTOR3(1, 2, 3));
    ASSERT_EQ(emitter.GetSequences().size(), 2u);
    const CParticleEventSequence& s = *emitter.GetSequences()[0];
    EXPECT_EQ(s.GetName(), "\"first\"");
    EXPECT_EQ(s.GetLifetime().min, 1.0f);
    EXPECT_EQ(s.GetLifetime().max, 3.0f);
    EXPECT_EQ(s.GetEmitRate().max, 5.0f);
    EXPECT_EQ(s.GetMaxParticles(), 20);
    EXPECT_EQ(s.GetLoops(), -3);
    EXPECT_EQ(s.GetSpawnDir().max, D3DXVECTOR3(1, 0, 0));
    EXPECT_EQ(s.GetEmitRadius().min, D3DXVECTOR3(-1, 0, 2));
    EXPECT_EQ(s.GetEmitRadius().max, D3DXVECTOR3(1, 0, 2));
    EXPECT_FLOAT_EQ(s.GetGravity().min.y, -9.8f);
    EXPECT_EQ(s.GetSrcBlendMode(), 5u);
    EXPECT_EQ(s.GetDestBlendMode(), 6u);
    EXPECT_EQ(s.GetTextureFile(), "Textures/dot.png");

    const CParticleEventSequence& d = *emitter.GetSequences()[1];
    EXPECT_EQ(d.GetMaxParticles(), 7);
    EXPECT_EQ(d.GetLoops(), -1);
    EXPECT_EQ(d.GetEmitRate().max, 0.0f);
    EXPECT_EQ(d.GetSrcBlendMode(), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(d.GetDestBlendMode(), static_cast<DWORD>(D3DBLEND_ONE));
    EXPECT_EQ(d.GetSpawnDir().max, D3DXVECTOR3(0, 0, 0));
}

TEST(CompilerResults, EveryBlendModeName) {
    const char* names[] = {"ZERO", "ONE", "SRCCOLOR", "INVSRCCOLOR", "SRCALPHA", "INVSRCALPHA",
                           "DESTALPHA", "INVDESTALPHA", "DESTCOLOR", "INVDESTCOLOR", "SRCALPHASAT"};
    for (DWORD value = 1; value <= 11; ++value) {
        CParticleEmitter emitter;
        ASSERT_TRUE(emitter.Compile(InSequence(std::string("SourceBlendMode = D3DBLEND_") + names[value - 1]).c_str()));
        EXPECT_EQ(emitter.GetSequences()[0]->GetSrcBlendMode(), value) << names[value - 1];
    }
}

TEST(CompilerResults, FinalMeansTheLifetimeMaximumAsItStands) {
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(InSequence("final Size = 1").c_str()));
    EXPECT_EQ(emitter.GetSequences()[0]->GetEvents()[0]->GetTime(), 0.0f);
    ASSERT_TRUE(emitter.Compile(InSequence("Lifetime = Random(1, 3) final Size = 1 fade so final Alpha = 0").c_str()));
    const auto& events = emitter.GetSequences()[0]->GetEvents();
    EXPECT_EQ(events[0]->GetTime(), 3.0f);
    EXPECT_TRUE(events[1]->IsFade());
}

TEST(CompilerResults, EventWordsChooseTheirClasses) {
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(InSequence(
        "at 1 Alpha = 0.5 at 2 VelocityY = 2 at 3 VelocityZ = 2 at 4 MySizeX = 1 at 5 RedColor = 1 "
        "at 6 Color = RGBA(1, 1, 1, 1) at 7 Velocity = XYZ(0, Random(1, 2), 0) at 8 EventTimer = 0 "
        "at 9 VelocityX = 1 at 10 GreenColor = 1 at 11 BlueColor = 1").c_str()))
        << emitter.GetLastError();
    const char* expected[] = {"CParticleEvent_Alpha",     "CParticleEvent_VelocityY",  "CParticleEvent_VelocityZ",
                              "CParticleEvent_Size",      "CParticleEvent_RedColor",   "CParticleEvent_Color",
                              "CParticleEvent_Velocity",  "CParticleEvent_EventTimer", "CParticleEvent_VelocityX",
                              "CParticleEvent_GreenColor", "CParticleEvent_BlueColor"};
    const auto& events = emitter.GetSequences()[0]->GetEvents();
    ASSERT_EQ(events.size(), 11u);
    for (std::size_t i = 0; i < events.size(); ++i) EXPECT_EQ(events[i]->ClassName(), expected[i]);
    EXPECT_FALSE(events[7]->SupportsFade());
    EXPECT_TRUE(events[6]->SupportsFade());
}

TEST(CompilerResults, PositionRangeIsDrawnOncePerCompile) {
    crt::srand(1);
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile("ParticleSystem \"p\" 1 { Position = XYZ(Random(-1, 1), 0, 0) }"));
    const float x = emitter.GetPos().x;
    EXPECT_GE(x, -1.0f);
    EXPECT_LE(x, 1.0f);
    emitter.Update(0, 0.1f);
    EXPECT_EQ(emitter.GetPos().x, x);
    emitter.SetPos(D3DXVECTOR3(5, 6, 7));
    EXPECT_EQ(emitter.GetPos(), D3DXVECTOR3(5, 6, 7));
}

TEST(CompilerResults, SortedEventsListing) {
    DebugCapture capture;
    CParticleEmitter emitter;
    ASSERT_TRUE(emitter.Compile(InSequence("Lifetime = 2 fade so final Size = 3 initial Size = 1").c_str()));
    EXPECT_EQ(capture.Text(),
              "\n\nSorted Events:"
              "\nTime: 0.00 Type:  CParticleEvent_Size Fade: N"
              "\nTime: 2.00 Type:  CParticleEvent_Size Fade: Y");
}

TEST(CompilerHelpers, StripQuotesAndTruncation) {
    EXPECT_EQ(StripQuotes("\"a\"b\""), "ab");
    EXPECT_EQ(StripQuotes(""), "");
    EXPECT_EQ(TruncateToInt(7.9f), 7);
    EXPECT_EQ(TruncateToInt(-7.9f), -7);
    EXPECT_EQ(TruncateToInt(1e30f), 2147483647);
    EXPECT_EQ(TruncateToInt(-1e30f), -2147483647 - 1);
    EXPECT_EQ(TruncateToInt(std::nanf("")), 0);
}
