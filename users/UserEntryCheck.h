#pragma once
// The checks of a user typed into the user dialog, in the order the dialog reports them.

#include <string_view>

// The message (UTF-8) of the first check that fails, or nullptr when the user may be
// stored. Texts are CP932; lengths are counted in its bytes. An empty engine ID and empty
// passwords are allowed.
const char* UserEntryProblem(std::string_view name, std::string_view engineIdText,
                             std::string_view authPassword, std::string_view privPassword);
