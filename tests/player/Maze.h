// A maze of 3-pixel corridors and 1-pixel walls, every corridor connected to
// every other: the winding region that GDI's own flood fill recurses too deep
// for. Used by the fill tests and the fill benchmark.
#pragma once

#include <random>
#include <vector>

// Calls open(left, top, width, height) for every rectangle of corridor in a
// width x height picture whose walls the caller has already painted; the
// corridor at (1, 1) is opened first.
template <class OpenRect>
void CarveMaze(int width, int height, unsigned seed, OpenRect open)
{
    int cols = (width - 1) / 4, rows = (height - 1) / 4;
    std::vector<bool> seen(static_cast<size_t>(cols) * rows, false);
    std::vector<int> stack = {0};
    seen[0] = true;
    std::mt19937 random(seed);
    open(1, 1, 3, 3);
    while (!stack.empty()) {
        int cell = stack.back(), cx = cell % cols, cy = cell / cols;
        int options[4], count = 0;
        if (cx > 0 && !seen[cell - 1]) options[count++] = cell - 1;
        if (cx + 1 < cols && !seen[cell + 1]) options[count++] = cell + 1;
        if (cy > 0 && !seen[cell - cols]) options[count++] = cell - cols;
        if (cy + 1 < rows && !seen[cell + cols]) options[count++] = cell + cols;
        if (!count) {
            stack.pop_back();
            continue;
        }
        int next = options[random() % count], nx = next % cols, ny = next / cols;
        seen[next] = true;
        open(1 + nx * 4, 1 + ny * 4, 3, 3);
        // The wall between the two cells.
        if (nx != cx)
            open((nx > cx ? nx : cx) * 4, 1 + cy * 4, 1, 3);
        else
            open(1 + cx * 4, (ny > cy ? ny : cy) * 4, 3, 1);
        stack.push_back(next);
    }
}
