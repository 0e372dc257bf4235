#pragma once
// The names of get and put requests come from whoever is on the other end of the cable: they may
// only name files inside the folder the server serves (the current folder, where the settings
// file lives), and must be plain names: one that holds a control character is refused on either
// request.

#include <string>

struct RequestedFile {
  std::string path;     // the file to open; empty when refused or not found
  std::string refusal;  // why the name was refused; empty when it was not
};

// The file a get sends: the first that the name's items resolve to by the engine's own lookup
// (wildcards, case ignored), as long as every item stays inside and the file really lies there.
RequestedFile ResolveGetName(const std::string& name);

// The file a put writes: the name itself, unless it leaves the folder, as text or through a link.
RequestedFile ResolvePutName(const std::string& name);
