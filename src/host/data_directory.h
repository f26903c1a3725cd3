// Where the data folder is: the one asked for on the command line, else the first that
// exists of "data" beside the executable, the installed place relative to it
// ("../share/quorlith/data"), and "data" in the working directory.
#pragma once

#include <string>
#include <vector>

struct DataDirectoryChoice {
    std::string directory;          // the folder to load from
    bool found = false;             // false: no candidate exists (directory names the first)
    std::vector<std::string> tried; // the candidates, in the order they were looked at
};

DataDirectoryChoice findDataDirectory(const std::string& asked, const std::string& programFolder,
                                      bool (*isDirectory)(const std::string&));

// "quorlith: no data folder found (looked in A, B, C)" for a choice that found none.
std::string dataDirectoryMissingMessage(const DataDirectoryChoice& choice);
