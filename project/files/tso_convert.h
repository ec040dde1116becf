#pragma once
// Conversion of effect names and number parameter texts of the older object file.
#include "core/ini_file.h"

#include <string>

// "start,end,mode[@script][,param]" becomes the current number text
// "start,end,<movement>,<flags>[|param]"; a text of fewer than three parts is
// a constant value and stays as it is. Movement names of the old mode numbers
// come from effect.conf [OldScript.trackmode].
std::string convertTsoTrackValue(const std::string& text);

// The current effect name of an old effect section: its "_name", except for
// the old script-host effects, which take their "name" or, without one, the
// name effect.conf [OldScript.<old name>] lists for their "type".
std::wstring convertTsoEffectName(const System::IniFile::SectionRef& section);
