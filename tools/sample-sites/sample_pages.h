// The bundled sample front pages: the file that holds each site's page in the
// sample folder, by site number.
#pragma once

#include <array>
#include <string_view>

#include "core/sites/catalogue.h"

namespace quillet {

inline constexpr std::array<std::string_view, kSiteCount> kSamplePageFiles = {
    "yomiuri.html", "asahi.html", "impress.html",  "zakzak.html",
    "cnn.html",     "chuou.html", "mainichi.html",
};

}  // namespace quillet
