// Where a line for the message list goes: the one way any part of the program
// writes to it, from any thread.
#pragma once

#include <functional>
#include <string>

using LineSink = std::function<void(const std::string& line)>;
