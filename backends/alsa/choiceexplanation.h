// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "elementchoice.h"

#include <string>

// Why each role of the mixer is served by the control it is, or by none: the report that
// `--explain` prints. A pure function of the element descriptions and the choice made over
// them; the caller holds whatever lock guards the descriptions.
namespace ChoiceExplanation {

// One line per role, in the order output level, output mute, input level, input mute, phantom
// left, phantom right, loopback left, loopback right: the role, a tab, the control ("NAME",
// "NAME#INDEX" where names are shared, two joined by " + " for a pair), a tab, and the rule that
// chose it with where its name comes from; or the role, a tab, "-", a tab and why there is none.
// Backslashes, tabs, line breaks and other control characters in names are written as C escapes.
std::string explain(const std::vector<ElementChoice::Element>& elements,
                    const ElementChoice::Choice& choice);

} // namespace ChoiceExplanation
