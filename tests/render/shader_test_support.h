// Helpers shared by the shader module's tests: a capture of what reaches standard output, a
// recorder for message boxes and a scratch folder for shader files.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

// Sends file descriptor 1 into a temporary file until finish() or destruction.
class StdoutCapture {
  public:
    StdoutCapture() {
        std::cout.flush();
        std::fflush(stdout);
        file_ = std::tmpfile();
        saved_ = dup(1);
        dup2(fileno(file_), 1);
    }
    ~StdoutCapture() { finish(); }
    StdoutCapture(const StdoutCapture&) = delete;
    StdoutCapture& operator=(const StdoutCapture&) = delete;

    // Flushes the streams, restores standard output and returns everything written.
    std::string finish() {
        if (file_ != nullptr) {
            std::cout.flush();
            std::fflush(stdout);
            dup2(saved_, 1);
            close(saved_);
            std::rewind(file_);
            for (int c; (c = std::fgetc(file_)) != EOF;) {
                text_ += static_cast<char>(c);
            }
            std::fclose(file_);
            file_ = nullptr;
        }
        return text_;
    }

  private:
    std::FILE* file_ = nullptr;
    int saved_ = -1;
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

// A fresh folder under the system's temporary directory, removed with its files.
class ScratchDir {
  public:
    ScratchDir() : path_((std::filesystem::temp_directory_path() / "shaderXXXXXX").string()) {
        mkdtemp(path_.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Writes the bytes as they are and returns the file's path.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::ofstream(pathOf(name), std::ios::binary) << bytes;
        return pathOf(name);
    }
    std::string pathOf(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

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
