// Parameter words: the upper-case words of the command line (CTR, RAID,
// DISKS, ...), each recognised by its first characters and accepted only
// after one of its mode flags.
#pragma once

#include "options_record.h"

// Applies the parameter word that starts at `word` (its upper-case letter)
// to the record; a malformed or misplaced word sets the record's error flag.
void ApplyParameterWord(OptionsRecord& options, const char* word);
// True when `letter` begins a parameter word.
bool IsParameterLetter(char letter);
