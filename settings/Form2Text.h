#pragma once
// Every caption, label and note of the configuration dialog, written once
// for every view of it: each view takes its texts from here, and the list
// at the end lets a test find each one in a view exactly once.
#include <string_view>

namespace sandloop::form2_text {

// The window and its header.
inline constexpr std::string_view Form2 = "Tidewalk Beach Setup";
inline constexpr std::string_view LabelTitle = "Tidewalk Beach Screensaver";
inline constexpr std::string_view LabelVersion = "version 1.0";
inline constexpr std::string_view Label3 = "Sandloop README";  // web link
inline constexpr std::string_view LabelMail = "e-mail:";
inline constexpr std::string_view Label5 = "write about Sandloop";  // e-mail link
inline constexpr std::string_view LabelNotice =
    "Sandloop is free software under the MIT licence.\n"
    "Copyright (c) 2026 The Sandloop developers.";
inline constexpr std::string_view TabSheet1 = "Settings";
inline constexpr std::string_view TabSheet2 = "Display";
inline constexpr std::string_view TabSheet3 = "Time of Day";
inline constexpr std::string_view TabSheet4 = "Clock";
inline constexpr std::string_view Button1Default = "Default Setting";
inline constexpr std::string_view Button1OK = "OK";
inline constexpr std::string_view Button1Cancel = "Cancel";

// Page "Settings".
inline constexpr std::string_view GroupSound = "Sound";
inline constexpr std::string_view CheckBox1PlaySound = "Play Sound";
inline constexpr std::string_view GroupFrameRate = "Frame rate";
inline constexpr std::string_view CheckBox2ShowFPS = "Show FPS";
inline constexpr std::string_view RadioGroup1 = "Terminate";
inline constexpr std::string_view RadioButton3KeyMouse = "Keybord and Mouse";
inline constexpr std::string_view RadioButton4Key = "Keybord only (ESC key)";
inline constexpr std::string_view GroupSpeed = "Speed setting";
inline constexpr std::string_view RadioButton1Slow = "Slow";
inline constexpr std::string_view RadioButton2Normal = "Normal";
inline constexpr std::string_view RadioButton5Fast = "Fast";
inline constexpr std::string_view GroupObjects = "Objects";
inline constexpr std::string_view LabelBirds = "Number of Birds:";
inline constexpr std::string_view CheckBox1 = "Show Birds";
inline constexpr std::string_view CheckBox2 = "Show Butterfly";

// Page "Display".
inline constexpr std::string_view RadioGroup3 = "Video mode";
inline constexpr std::string_view VideoMode[5] = {"800x600", "1024x768", "1152x864", "1280x1024",
                                                  "Use desktop settings"};
inline constexpr std::string_view DepthGroup = "Color depth";
inline constexpr std::string_view Depth[3] = {"16-bit color", "24-bit color", "32-bit color"};
inline constexpr std::string_view GroupGamma = "Gamma settings";
inline constexpr std::string_view Label8 = "Darken";
inline constexpr std::string_view Label9 = "Lighten";
inline constexpr std::string_view Memo2 =
    "You may setting Gamma level when screensaver \n"
    "is running. \n"
    "\"+\" key - make lighten\n"
    "\"-\" key - make darken\n"
    "\n"
    "note: this option available only if you choose \n"
    "\"Keyboard only (ESC key)\"  terminate \n"
    "screensaver mode (see Setting tab).";

// Page "Time of Day".
inline constexpr std::string_view TimeOfDayGroup = "Setting";
inline constexpr std::string_view RadioButton1 = "Off";
inline constexpr std::string_view RadioButton2 = "Demo mode (fast cycle)";
inline constexpr std::string_view RadioButton3 = "Real time of day";
inline constexpr std::string_view GroupSun = "Surise/Sunset";
inline constexpr std::string_view LabelCity = "Choose your City:";
inline constexpr std::string_view CheckBox4 = "Daylight Saving Time";
inline constexpr std::string_view LabelRise = "Apparent Sunrise:";
inline constexpr std::string_view LabelSet = "Apparent Sunset:";
inline constexpr std::string_view Memo4 =
    "Note: when you select a location from the \n"
    "City pulldown menu Pelarin Screensaver \n"
    "will show the real time of day for your \n"
    "location (for current day).\n";
inline constexpr std::string_view CheckBox3 = "Show simulate time, when";
inline constexpr std::string_view LabelDemo = "running in Demo mode.";
inline constexpr std::string_view CheckBox5 = "Show string Surise/Sunset";

// Page "Clock".
inline constexpr std::string_view GroupClock = "Clock settings";
inline constexpr std::string_view CheckBox3Showclock = "Show clock";
inline constexpr std::string_view GroupColor = "Color clock";
inline constexpr std::string_view Button1 = "Set color";
inline constexpr std::string_view GroupPosition = "Screen position";
inline constexpr std::string_view LabelX = "X center";
inline constexpr std::string_view LabelY = "Ycenter";
inline constexpr std::string_view GroupSize = "Size";
inline constexpr std::string_view LabelR = "Radius of clock:";
inline constexpr std::string_view Memo3 =
    "Use cursor key to set position clock when screensaver is running. \n"
    "note: this option available only if you choose \"Keyboard only (ESC key)\"  terminate \n"
    "screensaver mode (see Setting tab).\n";

// What kind of control shows a text.
enum class Kind { Title, Tab, Group, Button, Label };

struct Entry {
  Kind kind;
  std::string_view text;
};

// Every text above with the kind of control that shows it, in reading
// order: the window, its header, the pages, the bottom row.
inline constexpr Entry kAll[] = {
    {Kind::Title, Form2},
    {Kind::Label, LabelTitle}, {Kind::Label, LabelVersion}, {Kind::Label, Label3}, {Kind::Label, LabelMail},
    {Kind::Label, Label5}, {Kind::Label, LabelNotice},
    {Kind::Tab, TabSheet1}, {Kind::Tab, TabSheet2}, {Kind::Tab, TabSheet3}, {Kind::Tab, TabSheet4},
    {Kind::Group, GroupSound}, {Kind::Button, CheckBox1PlaySound}, {Kind::Group, GroupFrameRate},
    {Kind::Button, CheckBox2ShowFPS}, {Kind::Group, RadioGroup1}, {Kind::Button, RadioButton3KeyMouse},
    {Kind::Button, RadioButton4Key}, {Kind::Group, GroupSpeed}, {Kind::Button, RadioButton1Slow},
    {Kind::Button, RadioButton2Normal}, {Kind::Button, RadioButton5Fast}, {Kind::Group, GroupObjects},
    {Kind::Label, LabelBirds}, {Kind::Button, CheckBox1}, {Kind::Button, CheckBox2},
    {Kind::Group, RadioGroup3}, {Kind::Button, VideoMode[0]}, {Kind::Button, VideoMode[1]},
    {Kind::Button, VideoMode[2]}, {Kind::Button, VideoMode[3]}, {Kind::Button, VideoMode[4]},
    {Kind::Group, DepthGroup}, {Kind::Button, Depth[0]}, {Kind::Button, Depth[1]}, {Kind::Button, Depth[2]},
    {Kind::Group, GroupGamma}, {Kind::Label, Label8}, {Kind::Label, Label9}, {Kind::Label, Memo2},
    {Kind::Group, TimeOfDayGroup}, {Kind::Button, RadioButton1}, {Kind::Button, RadioButton2},
    {Kind::Button, RadioButton3}, {Kind::Button, CheckBox3}, {Kind::Label, LabelDemo},
    {Kind::Button, CheckBox5}, {Kind::Group, GroupSun}, {Kind::Label, LabelCity}, {Kind::Button, CheckBox4},
    {Kind::Label, LabelRise}, {Kind::Label, LabelSet}, {Kind::Label, Memo4},
    {Kind::Group, GroupClock}, {Kind::Button, CheckBox3Showclock}, {Kind::Group, GroupColor},
    {Kind::Button, Button1}, {Kind::Group, GroupPosition}, {Kind::Label, LabelX}, {Kind::Label, LabelY},
    {Kind::Group, GroupSize}, {Kind::Label, LabelR}, {Kind::Label, Memo3},
    {Kind::Button, Button1Default}, {Kind::Button, Button1OK}, {Kind::Button, Button1Cancel},
};

}  // namespace sandloop::form2_text
