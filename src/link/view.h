// What a control shows, as plain data: the core writes it, a widget renders it, tests read it.
#pragma once

#include <cstdint>
#include <string>

namespace vexlan {

struct rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const rgb&, const rgb&) = default;
};

constexpr rgb rgb_black{0, 0, 0};
constexpr rgb rgb_red{192, 0, 0};        // failures, closed links
constexpr rgb rgb_green{0, 128, 0};      // success, open links
constexpr rgb rgb_yellow{238, 238, 0};   // a link being opened
constexpr rgb rgb_grey{144, 144, 144};   // the link button not in use
constexpr rgb rgb_page_pressed{255, 192, 128};
constexpr rgb rgb_page_normal{192, 192, 192};

struct control_view {
    std::string caption;
    rgb color = rgb_black;   // text colour of labels, face colour of buttons
    bool enabled = true;
    bool visible = true;
    std::string tool_tip;
    friend bool operator==(const control_view&, const control_view&) = default;
};

inline control_view make_caption(std::string caption) {
    control_view v;
    v.caption = std::move(caption);
    return v;
}

}  // namespace vexlan
