#include "host/data_directory.h"

#include <filesystem>

#include "host/build_info.h"

DataDirectoryChoice findDataDirectory(const std::string& asked, const std::string& programFolder,
                                      bool (*isDirectory)(const std::string&)) {
    DataDirectoryChoice choice;
    if (!asked.empty()) {
        choice.directory = asked;
        choice.found = true;
        choice.tried = {asked};
        return choice;
    }
    if (!programFolder.empty()) {
        const std::filesystem::path folder(programFolder);
        choice.tried.push_back((folder / "data").lexically_normal().string());
        choice.tried.push_back((folder / kInstalledDataFromProgram).lexically_normal().string());
    }
    choice.tried.push_back("data");
    for (const std::string& candidate : choice.tried) {
        if (isDirectory(candidate)) {
            choice.directory = candidate;
            choice.found = true;
            return choice;
        }
    }
    // Missing files are then reported under the first place, where a build keeps its data.
    choice.directory = choice.tried.front();
    return choice;
}

std::string dataDirectoryMissingMessage(const DataDirectoryChoice& choice) {
    std::string message = "quorlith: no data folder found (looked in ";
    for (std::size_t i = 0; i < choice.tried.size(); ++i) {
        message += (i == 0 ? "" : ", ") + choice.tried[i];
    }
    return message + ")";
}
