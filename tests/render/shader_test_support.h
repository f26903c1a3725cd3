// Helpers shared by the shader module's tests: a capture of what reaches standard output, a
// recorder for message boxes and shader files to build programs from.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/mp3_tools.h"

// What reaches standard output between construction and finish() (or destruction).
class StdoutCapture {
  public:
    StdoutCapture() { ::testing::internal::CaptureStdout(); }
    ~StdoutCapture() { finish(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;
    std::string finish() {
        if (capturing_) {
            text_ = ::testing::internal::GetCapturedStdout();
            capturing_ = false;
        }
        return text_;
    }

  private:
    bool capturing_ = true;
    std::string text_;
};

// Message boxes shown through the module's hook, in order.
inline std::vector<std::string>& shownBoxes() {
    static std::vector<std::string> boxes;
    return boxes;
}
inline void recordBox(const char* text) {
    shownBoxes().emplace_back(text);
}

// Writes a shader file into this process's temporary folder (tempPath) and returns its path.
inline std::string shaderFile(const std::string& name, const std::string& text) {
    return writeTempFile(name, std::vector<unsigned char>(text.begin(), text.end()));
}

// Sources the tests build programs from.
inline const char* const kPassVertex =
    "void main() { gl_TexCoord[0] = gl_MultiTexCoord0; gl_Position = ftransform(); }\n";
inline const char* const kFourUniformFragment =
    "uniform sampler2D texture;\n"
    "uniform float slider, slider2, time;\n"
    "void main() {\n"
    "    vec4 c = texture2D(texture, gl_TexCoord[0].st);\n"
    "    gl_FragColor = c * slider2 + vec4(slider, time, 0.0, 0.0);\n"
    "}\n";
