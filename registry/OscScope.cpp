#include "registry/OscScope.h"

namespace vatrel {

void FlankTrace::add(const std::array<float, 4>& y) {
    const int window = qBound(1, flank_window, kFlankWindowMax);
    // Never more points than the window: a full ring overwrites its oldest sample.
    while (m_count >= window) {
        m_oldest = (m_oldest + 1) % kFlankWindowMax;
        --m_count;
    }
    m_ring[size_t((m_oldest + m_count) % kFlankWindowMax)] = {sample_counter, y};
    ++m_count;
    ++sample_counter;
    ++m_revision;
}

void FlankTrace::clear() {
    m_oldest = 0;
    m_count = 0;
    sample_counter = 0;
    ++m_revision;
}

} // namespace vatrel
