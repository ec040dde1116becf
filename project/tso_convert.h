#pragma once
// Conversion of number parameter texts of the older object file.
#include <string>

// "start,end,mode[@script][,param]" becomes the current number text
// "start,end,<movement>,<flags>[|param]"; a text of fewer than three parts is
// a constant value and stays as it is. Movement names of the old mode numbers
// come from effect.conf [OldScript.trackmode].
std::string convertTsoTrackValue(const std::string& text);
