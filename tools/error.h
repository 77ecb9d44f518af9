// The one kind of failure the tool reports to its user.
#pragma once

#include <stdexcept>
#include <string>

// A problem with the user's input or environment: main prints the message on one
// line and exits with a non-zero status.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
