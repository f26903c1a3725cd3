#include "timeline/startup.h"

ShaderProgram* PostProcessProgram = nullptr;

namespace {
std::string dataDirectory = "data";
}

void setDataDirectory(const std::string& dir) { dataDirectory = dir; }
std::string dataPath(const std::string& relative) { return dataDirectory + "/" + relative; }

void initializeDemo() {}
void initializeGlState() {}
void loadTextures() {}
