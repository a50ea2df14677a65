#pragma once

namespace kvraudio {

// One band of the parametric equalizer: a peaking biquad (the audio cookbook's "peakingEQ") on
// interleaved stereo. The bandwidth is the distance in semitones between the two frequencies where
// the boost or cut is half its value in dB, so a 12-semitone band at +12 dB gives +6 dB half an octave
// either side of its centre.
class PeakingEq
{
public:
    void configure(float centreHz, float bandwidthSemitones, float gainDb, int sampleRate);
    void process(float *stereo, int frames);

private:
    bool m_bypass = true;
    double m_b0 = 1, m_b1 = 0, m_b2 = 0, m_a1 = 0, m_a2 = 0;
    double m_z1[2] = {0, 0};
    double m_z2[2] = {0, 0};
};

} // namespace kvraudio
