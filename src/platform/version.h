#pragma once
// The program's version ("6.01"), set once in CMakeLists.txt (project VERSION) and
// written into a generated source file at configure time.

extern const char TabvaneVersion[];
