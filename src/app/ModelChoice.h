#pragma once
// --model: the panel's rig model chosen at start-up, as the operator would
// choose it in the list, for a run without a screen.

#include <optional>
#include <string>

class Corvane;

namespace app
{

// Selects the list item named exactly `model`, which runs the model's action
// as a click would; nothing for an empty `model`. A name the list lacks
// (which the command line refuses before this) selects nothing.
void chooseModel(Corvane& panel, const std::optional<std::string>& model);

} // namespace app
