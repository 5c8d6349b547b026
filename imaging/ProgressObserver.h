// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Told how far a row pump has got: begin() once with the number of steps,
// then step() once per row. File transfers use NullProgress.

namespace vestiscop::imaging {

class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    virtual void begin(int steps) = 0;
    virtual void step() = 0;
};

class NullProgress : public ProgressObserver {
public:
    void begin(int) override {}
    void step() override {}
};

} // namespace vestiscop::imaging
