#include "app/window_description_win.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

constexpr RECT Rect(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

constexpr const char* kResolvers[] = {"202.96.134.133", "114.114.114.114", "8.8.8.8",
                                      "119.29.29.29",   "202.96.128.166",  "192.168.3.5"};
constexpr const char* kRecordTypes[] = {"MX", "A", "CNAME", "NS"};

constexpr DWORD kCombo = CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
constexpr DWORD kOneLine = ES_LEFT | ES_AUTOHSCROLL;
constexpr DWORD kManyLines =
    ES_LEFT | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_HSCROLL | WS_VSCROLL;
constexpr DWORD kButton = BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE;

using K = ControlKind;
using F = FontChoice;
using E = TextEffect;

constexpr ControlDescription kControls[] = {
    {时钟1, "时钟1", K::Timer, Rect(264, 48, 26, 26), false, false, 0, 0, "", {},
     F::DefaultGui, kBlack, kButtonFace, E::None},
    {组合框2, "组合框2", K::ComboBox, Rect(344, 48, 48, 20), true, true, kCombo, 0, "MX",
     kRecordTypes, F::DefaultGui, kBlack, kWhite, E::None},
    {标签4, "标签4", K::Label, Rect(16, 72, 528, 24), true, false, 0, 0, "", {}, F::DefaultGui,
     kBlue, kButtonFace, E::Raised},
    {标签3, "标签3", K::Label, Rect(13, 46, 71, 24), true, false, 0, 0, "解析DNS选择:", {},
     F::DefaultGui, kBlack, kButtonFace, E::None},
    {标签2, "标签2", K::Label, Rect(16, 8, 80, 32), true, false, 0, 0, "查询的域名:", {},
     F::DefaultGui, kBlack, kButtonFace, E::None},
    {标签1, "标签1", K::Label, Rect(256, 48, 80, 16), true, false, 0, 0, "DNS所属运营商", {},
     F::DefaultGui, kRed, kButtonFace, E::None},
    {编辑框2, "编辑框2", K::Edit, Rect(16, 96, 464, 288), true, true, kManyLines,
     WS_EX_CLIENTEDGE, "", {}, F::DefaultGui, kBlack, kWhite, E::None},
    {按钮1, "按钮1", K::Button, Rect(408, 8, 72, 56), true, true, kButton, 0, "查询", {}, F::Bold,
     kBlack, kButtonFace, E::None},
    {组合框1, "组合框1", K::ComboBox, Rect(96, 48, 152, 20), true, true, kCombo, 0,
     "114.114.114.114", kResolvers, F::DefaultGui, kBlack, kWhite, E::None},
    {编辑框1, "编辑框1", K::Edit, Rect(96, 8, 296, 32), true, true, kOneLine, WS_EX_CLIENTEDGE,
     "example.com", {}, F::DefaultGui, kBlack, kWhite, E::None},
};

}  // namespace

const WindowDescription kMainWindow = {
    "Dravelo by:Tovric", 502, 421, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, kButtonFace,
    "DEFAULT_ICON", kControls,
};

const ControlDescription& Describe(ControlId id) {
  for (const ControlDescription& c : kControls) {
    if (c.id == id) return c;
  }
  return kControls[0];  // every ControlId has an entry; the tests check it
}
