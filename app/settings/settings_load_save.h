#pragma once

// SaveSettings and LoadSettings: the settings file of the main window's record on disk, and
// the main window's controls brought in line with what was read.

class Form1;

namespace KVXmodules {

// The message box of a failed save: this text, an exclamation icon and the title
// kSaveFailedTitle followed by a blank and the error number.
inline constexpr char16_t kSaveFailedText[] = u"Error. Could not write to disk. ";
inline constexpr char16_t kSaveFailedTitle[] = u"Error nr:";

// Writes the whole settings file to SettingsFilePath. First, unless SaveWorkingDSP is set, the
// six DSP values are put back to their saved copies (even when the write then fails). The file
// is written beside the old one and renamed over it, so a failure at any step (open, write,
// rename) leaves the old file as it was and shows the one message box. The window's outer
// size at this moment goes to the ScreenWidth and ScreenHeigth lines.
void SaveSettings(Form1& form);

// Reads SettingsFilePath into the record. A file that can't be opened resets everything
// (Form1::DefaultSet). When every step succeeded, the controls follow the record: phase
// indicator, alarm label, receive mode, text colours, waterfall palette, screen mode, the
// receive window's font and the "Remember Screen Size" tick. After a failing step (a short or
// damaged file) the values read are kept and the controls are left alone.
void LoadSettings(Form1& form);

}  // namespace KVXmodules
