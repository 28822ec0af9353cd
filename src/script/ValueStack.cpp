#include "script/ValueStack.h"

namespace tsukimi {

void TValueStack::Fit()
{
    const size_t capacity = static_cast<size_t>(count_ / 8 + 1) * 8;
    if (items_.size() != capacity) items_.resize(capacity);
}

void TValueStack::Push(const TReturnValue& value)
{
    Push(TReturnValue(value));
}

void TValueStack::Push(TReturnValue&& value)
{
    ++count_;
    Fit();
    items_[static_cast<size_t>(count_ - 1)] = std::move(value);
}

TReturnValue TValueStack::Pop()
{
    if (count_ == 0) return TReturnValue::Invalid();
    TReturnValue value = std::move(items_[static_cast<size_t>(count_ - 1)]);
    items_[static_cast<size_t>(count_ - 1)] = TReturnValue::Invalid();
    --count_;
    Fit();
    return value;
}

void TValueStack::Clear()
{
    count_ = 0;
    items_.clear();
    Fit();
}

} // namespace tsukimi
