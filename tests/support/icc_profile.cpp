#include "support/icc_profile.h"

#include <cmath>
#include <cstdint>
#include <iterator>
#include <utility>

namespace tesselon::testing {

namespace {

std::string bigEndian(uint32_t v, int bytes = 4) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) out += char((v >> (8 * i)) & 0xFF);
    return out;
}

std::string s15Fixed16(double v) { return bigEndian(uint32_t(int32_t(std::lround(v * 65536)))); }

std::string xyzTag(double x, double y, double z) {
    return "XYZ " + std::string(4, '\0') + s15Fixed16(x) + s15Fixed16(y) + s15Fixed16(z);
}

}  // namespace

std::string testIccProfile(const std::string& colourSpace) {
    const std::string name = "Tesselon test wide gamut";
    std::string desc = "desc" + std::string(4, '\0') + bigEndian(uint32_t(name.size() + 1)) + name + '\0';
    desc += std::string(8, '\0') + std::string(3, '\0') + std::string(67, '\0');
    const std::string curve = "curv" + std::string(4, '\0') + bigEndian(1) + bigEndian(0x0233, 2);  // gamma 2.2
    const std::string copyright = "text" + std::string(4, '\0') + "No copyright" + '\0';
    const std::pair<const char*, std::string> tags[] = {
        {"desc", desc},
        {"wtpt", xyzTag(0.9642, 1.0, 0.8249)},
        {"rXYZ", xyzTag(0.6097, 0.3111, 0.0195)},
        {"gXYZ", xyzTag(0.2053, 0.6257, 0.0609)},
        {"bXYZ", xyzTag(0.1492, 0.0632, 0.7446)},
        {"rTRC", curve},
        {"gTRC", curve},
        {"bTRC", curve},
        {"cprt", copyright},
    };
    std::string table, data;
    const size_t dataStart = 128 + 4 + 12 * std::size(tags);
    for (const auto& [signature, body] : tags) {
        while (data.size() % 4) data += '\0';
        table += signature + bigEndian(uint32_t(dataStart + data.size())) + bigEndian(uint32_t(body.size()));
        data += body;
    }
    std::string header = bigEndian(uint32_t(dataStart + data.size())) + std::string(4, '\0') + bigEndian(0x02100000) +
                         "mntr" + colourSpace + "XYZ " + std::string(12, '\0') + "acsp" + std::string(24, '\0') +
                         bigEndian(0) + s15Fixed16(0.9642) + s15Fixed16(1.0) + s15Fixed16(0.8249);
    header += std::string(128 - header.size(), '\0');
    return header + bigEndian(uint32_t(std::size(tags))) + table + data;
}

}  // namespace tesselon::testing
