#pragma once
// A stack of script values. Its storage grows and shrinks in steps of eight.
#include "script/ReturnValue.h"

#include <vector>

namespace tsukimi {

class TValueStack
{
public:
    void Push(const TReturnValue& value);
    void Push(TReturnValue&& value);
    // The invalid value when the stack is empty.
    TReturnValue Pop();
    void Clear();

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(items_.size()); }

private:
    void Fit();

    std::vector<TReturnValue> items_;
    int count_ = 0;
};

} // namespace tsukimi
