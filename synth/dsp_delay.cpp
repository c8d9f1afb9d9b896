// The shared delay lines: reads relative to the write position and the modulated feedback comb.
#include <cmath>

#include "dsp.h"

namespace synth {

double delay_read(int line, double delay_samples) {
    double d = delay_samples;
    if (d < 0.0) d = 0.0;
    if (d > DELAY_LINE_LENGTH - 1) d = DELAY_LINE_LENGTH - 1;
    return table_read_wrap(DELAY_LINE_LENGTH, delay_pos - d, delay_lines[line]);
}

double modulated_comb(double x, double delay, double decay, double mod_rate, double depth,
                      int index, int line) {
    double w = walk_wrapped(index, 100);
    // A very low corner slows the random walk into a gentle modulation signal.
    double l = lowpass2(index, w, mod_rate / (delay * 22050.0), 0.0);
    double m = 1.0 + depth * sin_turn(l);
    double fb = std::exp(-6.0 * delay * m / decay);
    double r = delay_read(line, delay * m) * fb;
    delay_lines[line][delay_pos] = x - r;
    if (fb == 0.0) return 0.0;
    return r * (1.0 / fb - 1.0);
}

}  // namespace synth
