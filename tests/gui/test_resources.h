// Resource ids of the toolkit tests' compiled bitmap table.
#pragma once

namespace guitest {

constexpr int kResourceStripes = 201;  // 4 x 2, left half red, right half blue
constexpr int kResourceMissing = 299;  // not in the table

}  // namespace guitest
