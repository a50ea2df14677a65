#include "PeakingEq.h"

#include <algorithm>
#include <cmath>

namespace kvraudio {

void PeakingEq::configure(float centreHz, float bandwidthSemitones, float gainDb, int sampleRate)
{
    if (gainDb == 0.0f || sampleRate <= 0) {
        m_bypass = true;
        return;
    }
    // A centre at or above half the rate has no meaning for the filter; keep it just below.
    const double centre = std::min<double>(centreHz, 0.45 * sampleRate);
    const double octaves = bandwidthSemitones / 12.0;
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * M_PI * centre / sampleRate;
    const double sinW0 = std::sin(w0);
    const double alpha = sinW0 * std::sinh(std::log(2.0) / 2.0 * octaves * w0 / sinW0);
    const double a0 = 1.0 + alpha / a;
    m_b0 = (1.0 + alpha * a) / a0;
    m_b1 = -2.0 * std::cos(w0) / a0;
    m_b2 = (1.0 - alpha * a) / a0;
    m_a1 = m_b1;
    m_a2 = (1.0 - alpha / a) / a0;
    if (m_bypass) {
        // Coming out of bypass: start from silence rather than from state of long ago.
        m_z1[0] = m_z1[1] = m_z2[0] = m_z2[1] = 0.0;
    }
    m_bypass = false;
}

void PeakingEq::process(float *stereo, int frames)
{
    if (m_bypass)
        return;
    for (int c = 0; c < 2; ++c) {
        double z1 = m_z1[c];
        double z2 = m_z2[c];
        float *s = stereo + c;
        for (int i = 0; i < frames; ++i, s += 2) {
            const double x = *s;
            const double y = m_b0 * x + z1;
            z1 = m_b1 * x - m_a1 * y + z2;
            z2 = m_b2 * x - m_a2 * y;
            *s = float(y);
        }
        // Denormals in a decaying tail cost far more than the filter itself.
        m_z1[c] = std::fabs(z1) < 1e-20 ? 0.0 : z1;
        m_z2[c] = std::fabs(z2) < 1e-20 ? 0.0 : z2;
    }
}

} // namespace kvraudio
