#include "app/dialog_template.h"

#include <array>

namespace dovrik {
namespace {

using enum ControlKind;

constexpr ControlTemplate CharacterButton(int id, const char* caption, int column, int y,
                                          int firstX) {
  return {id, kCheckButton, caption, {firstX + 23 * column, y, 17, 17}};
}

constexpr std::array<ControlTemplate, kMainControlCount> kTemplate = {{
    // The ten scroll bars, in SliderTable order.
    {1005, kScrollBar, "", {10, 25, 52, 8}},
    {1006, kScrollBar, "", {74, 25, 53, 8}},
    {1009, kScrollBar, "", {139, 25, 53, 8}},
    {1011, kScrollBar, "", {204, 25, 53, 8}},
    {1013, kScrollBar, "", {269, 25, 52, 8}},
    {1015, kScrollBar, "", {10, 55, 52, 8}},
    {1017, kScrollBar, "", {74, 55, 53, 8}},
    {1019, kScrollBar, "", {139, 55, 53, 8}},
    {1021, kScrollBar, "", {204, 55, 53, 8}},
    {1023, kScrollBar, "", {269, 55, 52, 8}},
    // The preamble button, then the first character row.
    {1078, kCheckButton, "VVV=", {7, 70, 40, 17}},
    CharacterButton(1042, "A", 0, 70, 53),
    CharacterButton(1043, "B", 1, 70, 53),
    CharacterButton(1044, "S", 2, 70, 53),
    CharacterButton(1045, "T", 3, 70, 53),
    CharacterButton(1046, "G", 4, 70, 53),
    CharacterButton(1047, "J", 5, 70, 53),
    CharacterButton(1048, "N", 6, 70, 53),
    CharacterButton(1049, "O", 7, 70, 53),
    CharacterButton(1050, "K", 8, 70, 53),
    CharacterButton(1051, "Q", 9, 70, 53),
    CharacterButton(1052, "F", 10, 70, 53),
    CharacterButton(1053, "M", 11, 70, 53),
    CharacterButton(1054, "Z", 0, 90, 7),
    CharacterButton(1055, "I", 1, 90, 7),
    CharacterButton(1056, "X", 2, 90, 7),
    CharacterButton(1057, "D", 3, 90, 7),
    CharacterButton(1058, "R", 4, 90, 7),
    CharacterButton(1059, "H", 5, 90, 7),
    CharacterButton(1060, "E", 6, 90, 7),
    CharacterButton(1061, "W", 7, 90, 7),
    CharacterButton(1062, "L", 8, 90, 7),
    CharacterButton(1063, "Y", 9, 90, 7),
    CharacterButton(1064, "P", 10, 90, 7),
    CharacterButton(1065, "V", 11, 90, 7),
    CharacterButton(1066, "C", 12, 90, 7),
    CharacterButton(1067, "U", 13, 90, 7),
    CharacterButton(1068, "0", 0, 110, 7),
    CharacterButton(1069, "1", 1, 110, 7),
    CharacterButton(1070, "2", 2, 110, 7),
    CharacterButton(1071, "3", 3, 110, 7),
    CharacterButton(1072, "4", 4, 110, 7),
    CharacterButton(1073, "5", 5, 110, 7),
    CharacterButton(1074, "6", 6, 110, 7),
    CharacterButton(1075, "7", 7, 110, 7),
    CharacterButton(1076, "8", 8, 110, 7),
    CharacterButton(1077, "9", 9, 110, 7),
    CharacterButton(1079, "?", 10, 110, 7),
    CharacterButton(1080, "!", 11, 110, 7),
    CharacterButton(1081, "/", 12, 110, 7),
    CharacterButton(1082, "=", 13, 110, 7),
    // The command buttons.
    {kStartButtonId, kCommandButton, "&Start", {7, 253, 29, 14}},
    {kKeyButtonId, kCommandButton, "&Key", {43, 253, 29, 14}},
    {kAboutButtonId, kCommandButton, "&About", {257, 253, 29, 14}},
    {kExitButtonId, kCommandButton, "E&xit", {294, 253, 29, 14}},
    {kOutputBoxId, kOutputBox, "", {7, 130, 316, 107}},
    // Each value label, then the group box that frames it and its scroll bar.
    {1007, kValueLabel, "----", {10, 15, 52, 9}},
    {1027, kGroupBox, "Speed:", {7, 7, 57, 29}},
    {1008, kValueLabel, "----", {74, 15, 53, 9}},
    {1028, kGroupBox, "Groups:", {71, 7, 58, 29}},
    {1010, kValueLabel, "----", {139, 15, 53, 9}},
    {1029, kGroupBox, "-/. ratio:", {136, 7, 58, 29}},
    {1012, kValueLabel, "----", {204, 15, 53, 9}},
    {1030, kGroupBox, "Group Space:", {201, 7, 58, 29}},
    {1014, kValueLabel, "----", {269, 15, 52, 9}},
    {1031, kGroupBox, "Char Space:", {266, 7, 57, 29}},
    {1016, kValueLabel, "----", {10, 45, 52, 9}},
    {1032, kGroupBox, "Volume:", {7, 37, 57, 29}},
    {1018, kValueLabel, "----", {74, 45, 53, 9}},
    {1033, kGroupBox, "Noise:", {71, 37, 58, 29}},
    {1020, kValueLabel, "----", {139, 45, 53, 9}},
    {1035, kGroupBox, "Tone:", {136, 37, 58, 29}},
    {1022, kValueLabel, "----", {204, 45, 53, 9}},
    {1036, kGroupBox, "Attack:", {201, 37, 58, 29}},
    {1024, kValueLabel, "----", {269, 45, 52, 9}},
    {1037, kGroupBox, "Jitters:", {266, 37, 57, 29}},
    {kStripChartId, kStripChart, "", {7, 240, 316, 10}},
}};

}  // namespace

std::span<const ControlTemplate> MainDialogTemplate() {
  return kTemplate;
}

const int LockableControls[kLockableControlCount + 1] = {
    1001, 1002, 1038,
    // Scroll bars, value labels and group boxes, each in SliderTable order.
    1005, 1006, 1009, 1011, 1013, 1015, 1017, 1019, 1021, 1023,  //
    1007, 1008, 1010, 1012, 1014, 1016, 1018, 1020, 1022, 1024,  //
    1027, 1028, 1029, 1030, 1031, 1032, 1033, 1035, 1036, 1037,
    // The letters A to Z.
    1042, 1043, 1066, 1057, 1060, 1052, 1046, 1059, 1055, 1047, 1050, 1062, 1053, 1048, 1049, 1064,
    1051, 1058, 1044, 1045, 1067, 1065, 1061, 1056, 1063, 1054,
    // The digits 0 to 9, then ? ! / = and the preamble.
    1068, 1069, 1070, 1071, 1072, 1073, 1074, 1075, 1076, 1077,  //
    1079, 1080, 1081, 1082, 1078, 0};

const ValueLabelRow ValueLabelTable[kValueLabelCount] = {
    {1005, 1007, " %d gpm ", false},  {1006, 1008, " %d ", false},
    {1009, 1010, " %dx ", false},     {1011, 1012, " %dx ", false},
    {1013, 1014, " %dx ", false},     {1015, 1016, " %d %% ", false},
    {1017, 1018, " %d %% ", false},   {1019, 1020, " %d Hz ", false},
    {1021, 1022, " %d.%d ms ", true}, {1023, 1024, " %d %% ", false},
};

}  // namespace dovrik
