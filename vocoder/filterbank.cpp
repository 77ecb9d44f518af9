// The 54-band filter bank.
#include "vocoder/filterbank.h"
#include "vocoder/steps.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int kHalfTaps = kDecimationTaps / 2;
constexpr float kDecimationHalf[kHalfTaps] = {
    -0.000751f, -0.007325f, -0.015331f, -0.021294f, -0.017851f, -0.002481f, 0.018053f, 0.029016f,
    0.017349f,  -0.015869f, -0.049964f, -0.053294f, -0.003208f, 0.09523f,   0.20597f,  0.27911f,
};

constexpr std::array<float, kDecimationTaps + 1> makeKernel() {
    std::array<float, kDecimationTaps + 1> h{};
    for (int i = 0; i < kHalfTaps; ++i) {
        h[static_cast<std::size_t>(i)] = kDecimationHalf[i];
        h[static_cast<std::size_t>(kDecimationTaps - 1 - i)] = kDecimationHalf[i];
    }
    h[kDecimationTaps] = 0.0f;
    return h;
}

constexpr int kCoeffsPerBand = 8;
struct BandRow {
    float c[kCoeffsPerBand];
    float peakHz;
};

// Row k: c0, c1, c2 (first section feed-forward), c3, c4 (its feedback),
// c5 (second section gain), c6, c7 (its feedback); then the peak frequency.
constexpr BandRow kBandFilterCoeffs[kNumFilterBands] = {
    {{0.225843f, -0.451687f, 0.225844f, -1.99128f, 0.99293f, 0.000531f, -1.989238f, 0.99158f}, 113.0f},  // 0
    {{0.205624f, -0.411248f, 0.205625f, -1.989166f, 0.99185f, 0.00076f, -1.986776f, 0.990458f}, 144.0f},  // 1
    {{0.18375f, -0.367502f, 0.183751f, -1.986842f, 0.991003f, 0.001017f, -1.984149f, 0.989654f}, 176.0f},  // 2
    {{0.170092f, -0.340186f, 0.170094f, -1.983772f, 0.989921f, 0.001361f, -1.980581f, 0.988538f}, 214.0f},  // 3
    {{0.157957f, -0.315918f, 0.15796f, -1.980022f, 0.988836f, 0.001778f, -1.976243f, 0.987427f}, 255.0f},  // 4
    {{0.147173f, -0.294353f, 0.147178f, -1.975452f, 0.987749f, 0.002274f, -1.97098f, 0.986319f}, 299.0f},  // 5
    {{0.135215f, -0.270439f, 0.135221f, -1.970161f, 0.986907f, 0.002794f, -1.965016f, 0.985517f}, 349.0f},  // 6
    {{0.127256f, -0.254526f, 0.127264f, -1.963587f, 0.985822f, 0.003452f, -1.957527f, 0.984412f}, 400.0f},  // 7
    {{0.12002f, -0.240061f, 0.120031f, -1.955715f, 0.984736f, 0.004208f, -1.948609f, 0.983311f}, 457.0f},  // 8
    {{0.113438f, -0.226905f, 0.113451f, -1.946353f, 0.98365f, 0.005066f, -1.938061f, 0.982213f}, 517.0f},  // 9
    {{0.105959f, -0.211958f, 0.105976f, -1.935565f, 0.982816f, 0.005935f, -1.926111f, 0.98141f}, 580.0f},  // 10
    {{0.10207f, -0.204197f, 0.102091f, -1.922521f, 0.98148f, 0.007104f, -1.911419f, 0.980021f}, 646.0f},  // 11
    {{0.095789f, -0.191655f, 0.095815f, -1.907713f, 0.980647f, 0.008184f, -1.895154f, 0.97922f}, 719.0f},  // 12
    {{0.091317f, -0.182739f, 0.091349f, -1.890497f, 0.979564f, 0.009484f, -1.876143f, 0.978128f}, 794.0f},  // 13
    {{0.087144f, -0.17443f, 0.087184f, -1.870712f, 0.978481f, 0.010909f, -1.854392f, 0.977037f}, 872.0f},  // 14
    {{0.082342f, -0.164869f, 0.082388f, -1.848386f, 0.977654f, 0.012308f, -1.830161f, 0.976237f}, 956.0f},  // 15
    {{0.079647f, -0.159544f, 0.079704f, -1.82274f, 0.976318f, 0.014133f, -1.801971f, 0.974861f}, 1041.0f},  // 16
    {{0.075427f, -0.151176f, 0.075493f, -1.794042f, 0.975493f, 0.015767f, -1.77104f, 0.974062f}, 1132.0f},  // 17
    {{0.072269f, -0.144956f, 0.072347f, -1.761833f, 0.974414f, 0.017685f, -1.736181f, 0.972977f}, 1226.0f},  // 18
    {{0.069257f, -0.139053f, 0.069349f, -1.725831f, 0.973335f, 0.019731f, -1.697351f, 0.971893f}, 1325.0f},  // 19
    {{0.066374f, -0.133438f, 0.066482f, -1.685782f, 0.972258f, 0.021904f, -1.654298f, 0.970811f}, 1425.0f},  // 20
    {{0.063605f, -0.128086f, 0.063731f, -1.641436f, 0.971181f, 0.024198f, -1.606781f, 0.969731f}, 1533.0f},  // 21
    {{0.060432f, -0.121958f, 0.060575f, -1.592822f, 0.970362f, 0.026362f, -1.555187f, 0.968933f}, 1642.0f},  // 22
    {{0.058389f, -0.118163f, 0.058557f, -1.539384f, 0.969032f, 0.029113f, -1.49793f, 0.967574f}, 1754.0f},  // 23
    {{0.055443f, -0.112598f, 0.055632f, -1.481041f, 0.968215f, 0.031459f, -1.436352f, 0.966778f}, 1871.0f},  // 24
    {{0.053054f, -0.108229f, 0.053271f, -1.417789f, 0.967142f, 0.034138f, -1.369389f, 0.965702f}, 1994.0f},  // 25
    {{0.050707f, -0.10403f, 0.050954f, -1.349238f, 0.966071f, 0.036891f, -1.297024f, 0.964628f}, 2118.0f},  // 26
    {{0.048393f, -0.099995f, 0.048674f, -1.275241f, 0.965001f, 0.039704f, -1.219129f, 0.963555f}, 2246.0f},  // 27
    {{0.045785f, -0.095458f, 0.046099f, -1.195922f, 0.964189f, 0.042237f, -1.136304f, 0.962761f}, 2378.0f},  // 28
    {{0.043846f, -0.092453f, 0.044205f, -1.111115f, 0.962863f, 0.04542f, -1.047075f, 0.961413f}, 2518.0f},  // 29
    {{0.041299f, -0.08832f, 0.041698f, -1.020477f, 0.962053f, 0.047951f, -0.95293f, 0.960621f}, 2658.0f},  // 30
    {{0.039302f, -0.085554f, 0.039757f, -0.924393f, 0.96073f, 0.051127f, -0.852432f, 0.959276f}, 2800.0f},  // 31
    {{0.036769f, -0.081834f, 0.037274f, -0.822455f, 0.959922f, 0.053557f, -0.747123f, 0.958486f}, 2952.0f},  // 32
    {{0.034471f, -0.078876f, 0.035037f, -0.715509f, 0.958858f, 0.056244f, -0.636442f, 0.95742f}, 3101.0f},  // 33
    {{0.032127f, -0.076114f, 0.032761f, -0.603257f, 0.957795f, 0.058814f, -0.520616f, 0.956355f}, 3256.0f},  // 34
    {{0.029558f, -0.073143f, 0.030258f, -0.486097f, 0.95699f, 0.060856f, -0.400615f, 0.955566f}, 3416.0f},  // 35
    {{0.027264f, -0.07129f, 0.028057f, -0.364591f, 0.955673f, 0.063457f, -0.275484f, 0.95423f}, 3579.0f},  // 36
    {{0.024694f, -0.069257f, 0.02558f, -0.23811f, 0.954613f, 0.065459f, -0.146212f, 0.95317f}, 3751.0f},  // 37
    {{0.021902f, -0.067167f, 0.02288f, -0.107806f, 0.953812f, 0.066812f, -0.014018f, 0.952383f}, 3918.0f},  // 38
    {{0.019121f, -0.065829f, 0.020213f, 0.025271f, 0.952754f, 0.068236f, 0.121051f, 0.951324f}, 4093.0f},  // 39
    {{0.016177f, -0.064893f, 0.017397f, 0.161138f, 0.951698f, 0.06931f, 0.258426f, 0.950267f}, 4272.0f},  // 40
    {{0.013035f, -0.064429f, 0.014399f, 0.299099f, 0.950643f, 0.06999f, 0.39735f, 0.949211f}, 4455.0f},  // 41
    {{0.009654f, -0.064522f, 0.011181f, 0.43837f, 0.949588f, 0.070235f, 0.536978f, 0.948156f}, 4642.0f},  // 42
    {{0.066733f, -0.00795f, 0.0f, 0.578084f, 0.948536f, 0.069999f, 0.676381f, 0.947102f}, 4824.0f},  // 43
    {{0.067512f, -0.003913f, 0.0f, 0.717285f, 0.947484f, 0.069242f, 0.814548f, 0.94605f}, 5022.0f},  // 44
    {{0.06789f, 0.000362f, 0.0f, 0.854959f, 0.946689f, 0.067603f, 0.949959f, 0.945268f}, 5238.0f},  // 45
    {{0.007584f, 0.073123f, 0.005128f, 0.989268f, 0.945383f, 0.066027f, 1.082094f, 0.943948f}, 5427.0f},  // 46
    {{0.013306f, 0.078057f, 0.010537f, 1.120505f, 0.94459f, 0.063201f, 1.209413f, 0.943168f}, 5633.0f},  // 47
    {{0.020033f, 0.085333f, 0.01686f, 1.246014f, 0.943543f, 0.060045f, 1.330544f, 0.94212f}, 5843.0f},  // 48
    {{0.028092f, 0.095301f, 0.024422f, 1.365203f, 0.942496f, 0.056217f, 1.444417f, 0.941073f}, 6056.0f},  // 49
    {{0.038034f, 0.109034f, 0.033737f, 1.476735f, 0.941451f, 0.051702f, 1.549671f, 0.940027f}, 6273.0f},  // 50
    {{0.050772f, 0.128293f, 0.045657f, 1.579243f, 0.940407f, 0.046493f, 1.644928f, 0.938983f}, 6494.0f},  // 51
    {{0.067927f, 0.156211f, 0.061694f, 1.671345f, 0.939364f, 0.040591f, 1.728806f, 0.93794f}, 6719.0f},  // 52
    {{0.092212f, 0.197981f, 0.084414f, 1.751855f, 0.938576f, 0.033886f, 1.799961f, 0.937164f}, 6947.0f},  // 53
};

constexpr BandCoeffColumns makeColumns() {
    BandCoeffColumns cols{};
    for (int k = 0; k < kNumFilterBands; ++k) {
        for (int i = 0; i < kCoeffsPerBand; ++i) cols.c[i][k] = kBandFilterCoeffs[k].c[i];
    }
    return cols;
}

constexpr std::array<float, kNumFilterBands> makePeaks() {
    std::array<float, kNumFilterBands> p{};
    for (int k = 0; k < kNumFilterBands; ++k) p[static_cast<std::size_t>(k)] = kBandFilterCoeffs[k].peakHz;
    return p;
}

constexpr float kBandGainCurveStep = 0.00091827364f;  // 1/1089: entry 33 is 1.0

}  // namespace

const std::array<float, kDecimationTaps + 1> kDecimationKernel = makeKernel();
const BandCoeffColumns kBandFilterColumns = makeColumns();
const std::array<float, kNumFilterBands> kBandPeakHz = makePeaks();

FilterBank::FilterBank() {
    reset();
    for (int i = 0; i <= kBandGainSteps; ++i) bandGainCurve[i] = static_cast<float>(i * i) * kBandGainCurveStep;
    std::fill(std::begin(gain), std::end(gain), 1.0f);
    std::fill(std::begin(bandPeak), std::end(bandPeak), 0.0f);
    std::fill(std::begin(prevBandLevel), std::end(prevBandLevel), 0.0f);
}

void FilterBank::reset() {
    for (SectionState* st : {&modStage1, &modStage2, &carStage1, &carStage2}) {
        std::fill(std::begin(st->s1), std::end(st->s1), 0.0f);
        std::fill(std::begin(st->s2), std::end(st->s2), 0.0f);
    }
    std::fill(std::begin(envVelocity), std::end(envVelocity), 0.0f);
    std::fill(std::begin(envLevel), std::end(envLevel), 0.0f);
    std::fill(std::begin(bandLevel), std::end(bandLevel), 0.0f);
    std::fill(std::begin(modRing), std::end(modRing), 0.0f);
    std::fill(std::begin(carRing), std::end(carRing), 0.0f);
    std::fill(std::begin(modHist), std::end(modHist), 0.0f);
    std::fill(std::begin(carHist), std::end(carHist), 0.0f);
}

void FilterBank::setBandGains(const float* sliders, bool flat) {
    if (gainsKnown && flat == gainFlat && std::memcmp(sliders, gainSliders, sizeof gainSliders) == 0) return;
    gainsKnown = true;
    gainFlat = flat;
    std::memcpy(gainSliders, sliders, sizeof gainSliders);
    if (flat) {
        std::fill(std::begin(gain), std::end(gain), 1.0f);
        return;
    }
    // The two outer bands at each end follow the end sliders.
    for (int i = 0; i < kNumBands; ++i) {
        gain[i + kFirstSliderBand] = bandGainCurve[truncClamped(static_cast<float>(kBandGainSteps) * sliders[i] + 0.5f, 0,
                                              kBandGainSteps)];
    }
    const int last = kFirstSliderBand + kNumBands - 1;
    std::fill(gain, gain + kFirstSliderBand, gain[kFirstSliderBand]);
    std::fill(gain + last + 1, gain + kNumFilterBands, gain[last]);
}

float FilterBank::analyse(bool frozen) {
    modHist[2] = modHist[1];
    modHist[1] = modHist[0];
    carHist[2] = carHist[1];
    carHist[1] = carHist[0];
    // ringPos indexes the oldest sample, which tap 0 weights; summed in tap order.
    float xm = 0.0f;
    float xc = 0.0f;
    for (int i = 0; i < kDecimationTaps; ++i) {
        const int at = (ringPos + i) & kRingMask;
        xm = xm + kDecimationKernel[static_cast<std::size_t>(i)] * modRing[at];
        xc = xc + kDecimationKernel[static_cast<std::size_t>(i)] * carRing[at];
    }
    modHist[0] = xm;
    carHist[0] = xc;
    return runBands(frozen);
}

float FilterBank::runBands(bool frozen) {
    // A carrier band below its modulator band (negative shift) reads the level
    // that band had before this step.
    if (formantShift < 0) std::copy(std::begin(bandLevel), std::end(bandLevel), std::begin(prevBandLevel));

    const auto& c = kBandFilterColumns.c;
    const float xm0 = modHist[0], xm1 = modHist[1], xm2 = modHist[2];
    const float xc0 = carHist[0], xc1 = carHist[1], xc2 = carHist[2];
    // Every band is an independent lane in these three loops.
    for (int k = 0; k < kNumFilterBands; ++k) {
        const float y1m = modStage1.s1[k], y2m = modStage1.s2[k];
        const float z1m = modStage2.s1[k], z2m = modStage2.s2[k];
        const float y1c = carStage1.s1[k], y2c = carStage1.s2[k];
        const float z1c = carStage2.s1[k], z2c = carStage2.s2[k];
        // The second section takes the first section's previous output.
        const float ym = c[0][k] * xm0 + c[1][k] * xm1 + c[2][k] * xm2 - c[3][k] * y1m - c[4][k] * y2m;
        const float zm = c[5][k] * y1m - c[6][k] * z1m - c[7][k] * z2m;
        const float yc = c[0][k] * xc0 + c[1][k] * xc1 + c[2][k] * xc2 - c[3][k] * y1c - c[4][k] * y2c;
        const float zc = c[5][k] * y1c - c[6][k] * z1c - c[7][k] * z2c;
        modStage1.s2[k] = y1m;
        modStage1.s1[k] = ym;
        modStage2.s2[k] = z1m;
        modStage2.s1[k] = zm;
        carStage1.s2[k] = y1c;
        carStage1.s1[k] = yc;
        carStage2.s2[k] = z1c;
        carStage2.s1[k] = zc;
    }
    if (!frozen) {
        for (int k = 0; k < kNumFilterBands; ++k) followEnvelope(envLevel[k], envVelocity[k], std::fabs(modStage2.s1[k]));
    }
    for (int k = 0; k < kNumFilterBands; ++k) {
        bandLevel[k] = envLevel[k] * gain[k];
        bandPeak[k] = std::max(bandPeak[k], std::fabs(bandLevel[k]));
    }

    // The band sum, in band order: carrier band k shaped by modulator band k - shift,
    // with alternating signs.
    const float* levels = formantShift < 0 ? prevBandLevel : bandLevel;
    const int first = std::max(0, formantShift);
    const int last = std::min(kNumFilterBands - 1, kNumFilterBands - 1 + formantShift);
    float s = 0.0f;
    for (int k = first; k <= last; ++k) {
        const float term = levels[k - formantShift] * carStage2.s1[k];
        s = (k & 1) ? s + term : s - term;
    }
    return s;
}

bool FilterBank::bandStatesFinite() const {
    // One pass over the bands, every per-band array at once: it vectorises.
    int bad = 0;
    for (int k = 0; k < kNumFilterBands; ++k) {
        bad |= notFinite(modStage1.s1[k]) | notFinite(modStage1.s2[k]) | notFinite(modStage2.s1[k]) |
               notFinite(modStage2.s2[k]) | notFinite(carStage1.s1[k]) | notFinite(carStage1.s2[k]) |
               notFinite(carStage2.s1[k]) | notFinite(carStage2.s2[k]) | notFinite(envLevel[k]) |
               notFinite(envVelocity[k]) | notFinite(bandLevel[k]);
    }
    return bad == 0;
}

bool FilterBank::historyFinite() const {
    return allFinite(modRing) && allFinite(carRing) && allFinite(modHist) && allFinite(carHist);
}
