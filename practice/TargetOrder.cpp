#include "practice/TargetOrder.h"

#include <algorithm>
#include <cstdlib>

void ShuffleOrder(int n, unsigned seed, int (&order)[kTargetCount])
{
    n = std::clamp(n, 0, kMaxSetSize);
    int pool[kMaxSetSize];
    for (int i = 0; i < n; ++i) {
        pool[i] = i;
        order[i] = i;
    }
    std::srand(seed);
    int k = n - 1;
    for (int j = 0; j < n; ++j) {
        if (k > 0) {
            const int r = std::rand() % (k + 1);
            order[j] = pool[r];
            std::copy(pool + r + 1, pool + k + 1, pool + r);
        } else {
            order[j] = pool[0];
        }
        --k;
    }
}

bool AdvanceOrder(int (&order)[kTargetCount], int& left)
{
    if (left <= 0) {
        left = 0;
        return true;
    }
    std::copy(order + 1, order + left, order);
    --left;
    return left == 0;
}
