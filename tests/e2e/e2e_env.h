// What the end-to-end tests share: the program under test, files made for
// it, and the looks of the main dialog. The program's control ids come from
// its own resources/ids.h; scratch folders and whole files from the tests'
// toolkit (tests/support).
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "resources/ids.h"
#include "tests/e2e/driver.h"
#include "tests/support/files.h"
#include "tests/support/folders.h"

namespace e2e {

// quillet.exe as a Windows path (from --program=).
const std::string& programPath();
// The test build with a stand-in shell (from --standin=), "" when none was given.
const std::string& standinPath();
// quillet_probe.exe, the program with a probe that counts its GDI objects
// (from --probe=; "" when not given).
const std::string& probePath();

using testkit::dosStamp;
using testkit::dosStampOf;
using testkit::fileBytes;
using testkit::fileExists;
using testkit::filesIn;
using testkit::fileSize;
using testkit::openElsewhere;
using testkit::Scratch;
using testkit::writeFileWith;

// A file of `size` bytes whose every 32768-byte block differs from the
// others, with the last-write time 2001-02-03 04:05:07 (local time), built
// with the system's own calls. Past `patterned` bytes it is a hole that reads
// as zeros and takes no room.
void writePatternFile(const std::string& path, std::uint64_t size, std::uint64_t patterned = ~0ull);
// Whether `path` holds exactly the first `length` bytes of `reference`
// (all of it when length is -1); `why` tells the first difference.
bool sameStart(const std::string& path, const std::string& reference, std::int64_t length, std::string& why);

// A large source shared by the tests that need a job to be under way while
// they look: made on first use in the scratch folder, removed with it. It is
// so large that no copy can end before a test has caught it running (64 GiB,
// a minute at 1 GB/s), and so has to be stopped; only its first 8 MiB hold
// the pattern, the rest is a hole.
const std::string& largeSource();
constexpr std::uint64_t LargeSize = 64ull << 30;
constexpr std::uint64_t LargePatterned = 8ull << 20;

// `size` pseudo-random bytes, the same for the same seed.
std::string randomBytes(std::size_t size, std::uint32_t seed);
// A file of such bytes, with this last-write time and then these attributes
// (see writeFileWith); gives the bytes.
std::string writeRandomFile(const std::string& path, std::size_t size, std::uint32_t seed,
                            const SYSTEMTIME& localStamp, DWORD attributes);

// The main dialog's look when no job runs: button "&Start", everything
// enabled and writable, both progress lines empty, the bar at 0. Checked
// with doctest's CHECK, one line per control.
void checkIdleLook(const Window& main);
// Its look while a job runs: "&Stop" enabled, the other buttons and the
// boxes disabled, both edits read-only.
void checkRunningLook(const Window& main);
// Runs `cycle` `count` times after ten to warm up and checks that the
// program's descriptors and resident memory stay flat (within 2 and 4 MiB);
// the figures go to the test's output.
void soak(const Program& app, const char* what, int count, const std::function<void()>& cycle);
// How many times a soak runs: QUILLET_SOAK_COUNT when set (and smaller), else `full`.
int soakCount(int full);

// Waits, after the commands posted so far, for the job to end and the window
// to be idle again.
void waitForIdle(const Program& app, double seconds = 30);
// Nothing of the program's is on the screen but its main window.
void checkAlone(const Program& app);
// Waits for the job to end, then checks the idle look and that no box or
// dialog is left.
void checkEndedIdle(const Program& app);
// Escape, with no job running, ends the program with status 0.
void escapeEnds(Program& app);

// The first progress line's "Total size :    %uKb" and Disk is full's
// "Left : %uKb" for a number of bytes.
std::string totalSizeText(std::uint64_t size);
std::string leftText(std::uint64_t left);
// Waits for the second progress line to show the copy under way.
void waitForCopying(const Program& app);
// Waits for "Disk is full" or for the end of the job; the dialog, or a null
// window when the job ended. An error box on the way fails.
Window waitForDiskFullOrEnd(const Program& app, double seconds = 30);

constexpr const char* StopQuestion = "   Do you want to terminate copying?  \t\t\t ";
// Waits for the stop question and checks it: caption, text, Yes and No with
// No the default, and the main window disabled under it.
Window waitForStopQuestion(const Program& app);

// Waits for a box of the program with this caption and checks its message
// (the static 0xFFFF; a failure shows its control characters).
Window waitForBox(const Program& app, const std::string& caption, const std::string& text);
// Which of the system's buttons (IDOK, IDCANCEL, IDYES, ...) a box has: all
// of `present` and none of `absent`.
void checkButtons(const Window& box, std::initializer_list<int> present, std::initializer_list<int> absent = {});
// Answers a box or dialog with a button's id and waits until it has gone.
void answerAndWait(const Program& app, const Window& window, int id);
// Ticks "&Move file" and makes sure it is ticked.
void tickMoveFile(const Program& app);
// A move refused: ticks "&Move file", starts the job, answers the error box
// it ends with (its message `text`) and waits for the window to be idle.
void moveEndsInError(const Program& app, const std::string& text);

}  // namespace e2e
