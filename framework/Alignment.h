#pragma once

namespace wf {

// How a text sits in its box: a column's caption and cells, a panel's
// caption. Plain data, so that layers that only describe columns (the shell's
// column answers) need none of the controls that show them.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

}  // namespace wf
