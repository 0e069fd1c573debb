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
#include <string_view>

class DemoScript;

// Parses text into script; malformed text never fails (see above).
void textdemoscript(std::string_view text, DemoScript& script);

// An integer as the script writes it: optional sign, then decimal digits,
// accumulated modulo 2^32; parsing stops at the first other character.
uint32_t parseScriptInteger(std::string_view text);
