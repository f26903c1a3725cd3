// Models for the loader's tests: OBJ text made on the fly, files to load, and what every load
// must leave.
#pragma once

#include <string>

struct ObjModel;

// A UV sphere of the given radius with v, vn, vt lines and v/t/n quads (degenerate at the
// poles), its faces split between the groups "north" and "south".
std::string sphereObjText(float radius, int rings, int segments);
// Writes text to a fresh file in this process's temporary folder; returns its path.
std::string writeTempFile(const std::string& name, const std::string& text);
// What every load must leave: triangle numbers 0 .. count - 1 shared out among the groups,
// each once; "default" last; every reference inside its array.
void expectObjModelConsistent(const ObjModel& m);
