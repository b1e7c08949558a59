#include "roff_text.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tesselon {

std::string roffEscaped(std::string_view text) {
    std::string out;
    if (!text.empty() && (text.front() == '.' || text.front() == '\'')) out += "\\&";
    for (char c : text) {
        if (c == '\\') out += "\\e";
        else if (c == '-') out += "\\-";
        else out += c;
    }
    return out;
}

void replaceAll(std::string& text, const std::string& key, const std::string& value) {
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
        text.replace(at, key.size(), value);
}

bool readTemplate(const char* program, const char* path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    if (!in) {
        std::fprintf(stderr, "%s: cannot read %s\n", program, path);
        return false;
    }
    text = buffer.str();
    return true;
}

bool writePage(const char* program, const char* path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) std::fprintf(stderr, "%s: cannot write %s\n", program, path);
    return bool(out);
}

}  // namespace tesselon
