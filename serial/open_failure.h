#pragma once
// The reason kept for LastOpenFailure, shared by the drivers.

#include <string>

// An open begins: LastOpenFailure is empty again.
void ForgetOpenFailure();
// The opening failed for this reason, in words for the user.
void KeepOpenFailure(std::string reason);
