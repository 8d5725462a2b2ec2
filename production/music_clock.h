// The music follows the production clock: it pauses while the frame's clock stands still
// (menus, the dialog, stopped time, a window being moved) and goes on from the production
// time the clock resumes at, so picture and music stay in step after any pause or seek.
#pragma once

namespace music_clock {

// Makes the music pause and resume with the frame clock (call once, before the clock starts).
void FollowFrameClock();

// The timeline (re)started the music from its beginning at production time t (seconds).
void Started(float t);

// Places the music where it belongs at production time t: silent and stopped before its start,
// at t minus the start time after it. Paused music stays paused.
void PlaceAt(float t);

// The stream was made anew (a new device): once started, it plays on from where the production
// is, paused if the clock stands still.
void Reopened();

// Forgets the start time (a production begun afresh has not started its music yet).
void Forget();

// Says on the debugger output how far the music is and what the production clock reads:
// "music: 12.345 s into the stream at production time 13.425 s (started at 1.083 s)".
void Report();

}  // namespace music_clock
