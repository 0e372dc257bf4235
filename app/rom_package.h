#pragma once
// ROM packages: "ZKROM", a member count, then members of a length-prefixed name and a
// length-prefixed block of data, unpacked into files of their own.

#include <string>

// Writes every counted member, in package order, to the file its name gives, relative to the
// current directory. True when all of them were written (or the count is 0); false on any
// failure, with the members written before it left on disk. A member whose name is absolute,
// climbs with ".." or, on Windows, names a device is refused: nothing is written for it and the
// result is false.
bool UnpackRomPackage(const std::string& path);
