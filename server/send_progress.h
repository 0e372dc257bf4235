#pragma once
// What the status panel's progress bar and its "Time left" field make of a send.

#include <cstdint>
#include <string>

// The bar runs from 0 to the file size; an empty file gets a range of one, filled at its end.
int32_t ProgressBarMaximum(int32_t fileSize);
// The bytes done, held within the bar's range: before the file is open the engine reports -1.
int32_t ProgressBarPosition(int32_t bytes, int32_t fileSize);
// m:ss for the bytes still to go at the average rate since the send began, rounded up so that
// "0:00" means nothing is left; empty until the first block has gone and some time has passed.
std::string TimeLeftText(int32_t bytes, int32_t fileSize, uint32_t elapsedMs);
// What "Time left" says once the send has ended with result: "0:00", or why it did not finish.
const char* SendEndText(int32_t result);
