#pragma once

#include <QRect>

#include <vector>

namespace quorlin {

// A vertical run of pixels in one pixel column: rows top..bottom, both included.
struct ColumnRun {
    int x;
    int top;
    int bottom;
};

// The pixels of `runs` (in any order, overlapping or not) as rectangles that cover exactly
// the same pixels, found row by row: a row's pixels in neighbouring columns become one
// rectangle, and rows that start and end in the same columns are stacked into one.
//
// A raster engine fills a rectangle line by line, so a one-pixel-wide column of a tall plot
// costs a memory access per row; a chart of noisy history has a tall run in nearly every
// column, and the same pixels as wide rows cost a fraction of that. Work is proportional to
// how much the runs' ends move from column to column, not to their pixels. Only rows in
// [rowLimitTop, rowLimitBottom] are kept. `runs` is reordered.
void rowSpans(std::vector<ColumnRun>& runs, int rowLimitTop, int rowLimitBottom,
              std::vector<QRect>& out);

}  // namespace quorlin
