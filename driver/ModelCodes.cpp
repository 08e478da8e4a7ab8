#include "driver/ModelCodes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace qmt {

namespace {

char Fold(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Folded(const std::string& text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Fold);
    return out;
}

constexpr std::array<std::pair<const char*, uint8_t>, 4> kPatterns{{
    {"\\hid#vid_f7e1&pid_0100", 1},
    {"\\hid#vid_f7e1&pid_0202", 2},
    {"\\hid#vid_f7e1&pid_0300", 3},
    {"\\hid#vid_f7e1&pid_0310", 6},
}};

}  // namespace

uint8_t ModelCodeForPath(const std::string& path) {
    const std::string folded = Folded(path);
    for (const auto& [pattern, code] : kPatterns)
        if (folded.find(pattern) != std::string::npos) return code;
    return 0;
}

bool SamePath(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Fold(x) == Fold(y); });
}

}  // namespace qmt
