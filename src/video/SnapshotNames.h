#pragma once
// Names and texts of the call views' snapshots: the file name of a snapshot
// (its local date and time and the station), the caption drawn on the saved
// picture and the clock texts of the header.

#include <ctime>
#include <string>

namespace oculon::video {

// "YYYY-MM-DD_hh-mm-ss_" followed by the station's name, made safe as a
// file name (a device-supplied name never leaves its folder).
std::string GetFileName(const std::tm& local, const std::string& name);

// The system's short date and time of a moment.
std::string shortDate(const std::tm& local);
std::string shortTime(const std::tm& local);

// What a snapshot carries at its top left: the name panel's text, the date
// and the time.
std::string snapshotCaption(const std::string& nameText, const std::tm& local);

// The wall frame's one date-and-time panel.
std::string frameClockText(const std::tm& local);

}  // namespace oculon::video
