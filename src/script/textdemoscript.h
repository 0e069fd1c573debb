// The show script's text format.
//
// Lines end at LF; the character just before each LF is dropped (the CR of CR LF),
// a NUL ends a line early, and text after the last LF is never read. Lines are
// trimmed of spaces and tabs; empty lines and lines starting with "#" are skipped.
// A block is a name line ("[name]": first and last character dropped), a class
// line ("Class" or "Class:argument"), a start and an end line (demo time in ms),
// then event lines "time type CODE value" up to a line "@" or the end of input.
// Types are F/f (float), I/i (integer, taken modulo 2^32) and S/s (string token).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class DemoScript;

// What a script does that it most likely does not mean, one "line N: ..." each.
using ScriptProblems = std::vector<std::string>;

// Parses text into script; malformed text never fails (see above). With problems
// given, each oddity the parser passes over is also noted there (a header cut
// short, an event line that does not fit, an unknown class, a name used twice,
// a last line without its line end), and an invalid value type is noted there in
// place of the message box.
void textdemoscript(std::string_view text, DemoScript& script, ScriptProblems* problems = nullptr);

// An integer as the script writes it: optional sign, then decimal digits,
// accumulated modulo 2^32; parsing stops at the first other character.
uint32_t parseScriptInteger(std::string_view text);
