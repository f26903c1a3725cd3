// A fresh folder under the system's temporary folder for one test, removed with everything in
// it when the test is done.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

struct ScratchDir {
    std::filesystem::path dir;
    explicit ScratchDir(const std::string& prefix) {
        std::string name = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        dir = mkdtemp(name.data());
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
};
