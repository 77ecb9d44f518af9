// End-to-end tests of the talkforge renderer: the built binary runs on files
// generated here, and its output files, messages and exit status are checked.
#include "tests/tools/e2e.h"

namespace {

// --- Rendering ----------------------------------------------------------------------

TEST_F(Talkforge, RendersVoiceWithCarrierAtTheCarriersLevel) {
    const std::string v = voice(2.0);
    const auto carrierPath = file("carrier.flac").string();
    constexpr int kCarrierRate = 44100;  // converted to the voice's rate
    writeAudio(carrierPath, kCarrierRate, 1, sawtooth(3 * kCarrierRate, kCarrierRate, 110.0, 0.5f),
               SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    const auto out = file("out.wav").string();
    const Outcome r = run({"render", v, "--carrier", carrierPath, "-o", out, "--float"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("peak"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("real time"), std::string::npos) << r.out;

    const Audio a = readAudio(out);
    EXPECT_EQ(a.rate, kRate);
    EXPECT_EQ(a.channels, 2);
    EXPECT_EQ(a.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(a.frames(), static_cast<std::size_t>(3 * kRate + kLatency));  // the longer input plus lookahead
    EXPECT_TRUE(channelsEqual(a));
    // Once the level matching has settled, the vocoded voice peaks near the carrier.
    const double peak = peakOf(a, kRate, 2 * kRate);
    EXPECT_GT(peak, 0.5 * 0.5) << "peak " << peak;
    EXPECT_LT(peak, 0.5 * 2.0) << "peak " << peak;
    // The carrier runs on alone after the voice ends: the vocoder falls silent.
    EXPECT_LT(rmsOf(a, 2 * kRate + 2 * kLatency + kRate / 2), 0.01 * rmsOf(a, kRate, 2 * kRate));
}

TEST_F(Talkforge, DroneChordAndParametersShapeTheOutput) {
    const std::string v = voice(1.5);
    const auto out = file("out.wav").string();
    Outcome r = run({"render", v, "--chord", "C3,E3,G3", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    Audio a = readAudio(out);
    EXPECT_EQ(a.format, SF_FORMAT_WAV | SF_FORMAT_PCM_24);
    EXPECT_TRUE(channelsEqual(a));
    EXPECT_GT(rmsOf(a, kRate / 2), 0.01);

    // "Out.level" 0 mutes everything.
    r = run({"render", v, "--chord", "C3,E3,G3", "--set", "out.level=0", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(peakOf(readAudio(out)), 0.0);

    // Without voice the drone is heard only through "Synth vol".
    const std::string quiet = silence(1.0);
    r = run({"render", quiet, "--chord", "C3", "--set", "Synth vol=1", "-o", out, "--float"});
    ASSERT_EQ(r.status, 0) << r.err;
    a = readAudio(out);
    EXPECT_GT(rmsOf(a, kRate / 2), 0.05);
    r = run({"render", quiet, "--chord", "C3", "-o", out, "--float"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_LT(peakOf(readAudio(out)), 1e-3);
}

TEST_F(Talkforge, BlockSizeDoesNotChangeTheOutput) {
    const std::string v = voice(0.5);
    std::vector<Audio> outputs;
    for (const char* block : {"1", "37", "512", "65535"}) {
        const auto out = file(std::string("out-") + block + ".wav").string();
        const Outcome r = run({"render", v, "--chord", "A2,E3", "--block", block, "--float", "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        outputs.push_back(readAudio(out));
    }
    for (std::size_t i = 1; i < outputs.size(); ++i) EXPECT_EQ(outputs[i].data, outputs[0].data) << "block " << i;
}

TEST_F(Talkforge, RateOptionResamplesTheInputs) {
    const std::string v = voice(1.0);
    const auto out = file("out.wav").string();
    Outcome r = run({"render", v, "--rate", "32000", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const Audio a = readAudio(out);
    EXPECT_EQ(a.rate, 32000);
    EXPECT_EQ(a.frames(), static_cast<std::size_t>(32000 + kLatency));
    EXPECT_GT(rmsOf(a), 0.001);

    // The plug-in receives the rate as a float: this one runs at half rate, with
    // twice the lookahead, all of which the tail and the compensation account for.
    for (const char* rate : {"96000", "96000.001"}) {
        r = run({"render", v, "--rate", rate, "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readAudio(out).frames(), static_cast<std::size_t>(96000 + 2 * kLatency)) << rate;
        r = run({"render", v, "--rate", rate, "--compensate-latency", "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readAudio(out).frames(), 96000u) << rate;
    }
}

TEST_F(Talkforge, StereoVoiceUsesFirstChannelOrTheMix) {
    // Left silent, right carrying the voice: only --mix hears it.
    const auto n = static_cast<std::size_t>(kRate);
    const std::vector<float> right = voiceSignal(n, kRate);
    std::vector<float> stereo(2 * n, 0.0f);
    for (std::size_t i = 0; i < n; ++i) stereo[2 * i + 1] = right[i];
    const auto path = file("stereo.aiff").string();
    writeAudio(path, kRate, 2, stereo, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    const auto out = file("out.wav").string();
    Outcome r = run({"render", path, "-o", out, "--float"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_LT(peakOf(readAudio(out)), 1e-3);
    r = run({"render", path, "--mix", "-o", out, "--float"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_GT(peakOf(readAudio(out)), 0.01);
}

// --- Latency ------------------------------------------------------------------------

// Clicks on the carrier under a steady noise voice: each click comes out of the
// band filters as a short burst. Returns the offset of the burst's peak from its
// click, averaged over the later clicks (after the level matching has settled).
double burstDelay(const Audio& a, std::size_t firstClick, std::size_t period, std::size_t clicks) {
    double sum = 0.0;
    std::size_t counted = 0;
    for (std::size_t c = clicks / 2; c < clicks; ++c) {
        const std::size_t click = firstClick + c * period;
        std::size_t best = click;
        for (std::size_t f = click; f < std::min(click + period, a.frames()); ++f)
            if (std::fabs(a.at(f)) > std::fabs(a.at(best))) best = f;
        sum += static_cast<double>(best - click);
        ++counted;
    }
    return sum / static_cast<double>(counted);
}

TEST_F(Talkforge, CompensateLatencyLinesTheOutputUpWithTheInput) {
    constexpr std::size_t kPeriod = 2400, kClicks = 40, kFirst = 1000;
    const std::size_t n = kFirst + kPeriod * kClicks;
    std::vector<float> clicks(n, 0.0f);
    for (std::size_t c = 0; c < kClicks; ++c) clicks[kFirst + c * kPeriod] = 0.9f;
    const auto carrierPath = file("clicks.wav").string();
    writeAudio(carrierPath, kRate, 1, clicks);
    const auto voicePath = file("noise.wav").string();
    std::vector<float> steady = noise(n, 99);
    for (float& x : steady) x *= 0.3f;
    writeAudio(voicePath, kRate, 1, steady);

    const auto plain = file("plain.wav").string(), aligned = file("aligned.wav").string();
    Outcome r = run({"render", voicePath, "--carrier", carrierPath, "--float", "-o", plain});
    ASSERT_EQ(r.status, 0) << r.err;
    r = run({"render", voicePath, "--carrier", carrierPath, "--float", "--compensate-latency", "-o", aligned});
    ASSERT_EQ(r.status, 0) << r.err;
    const Audio a = readAudio(plain), b = readAudio(aligned);
    EXPECT_EQ(a.frames(), n + kLatency);
    EXPECT_EQ(b.frames(), n);
    // The compensated file is the plain one without its first kLatency frames.
    ASSERT_EQ(a.data.size(), b.data.size() + 2 * kLatency);
    EXPECT_TRUE(std::equal(b.data.begin(), b.data.end(), a.data.begin() + 2 * kLatency));
    // Compensated, each burst trails its click only by the band filters' own
    // response, whose sum peaks 47 analysis steps (141 frames) after a click.
    constexpr double kBandFilterPeak = 141.0;
    EXPECT_NEAR(burstDelay(b, kFirst, kPeriod, kClicks), kBandFilterPeak, 10.0);
    EXPECT_NEAR(burstDelay(a, kFirst, kPeriod, kClicks), kBandFilterPeak + kLatency, 10.0);
}

// --- MIDI ---------------------------------------------------------------------------

// The dry synthesizer ("Synth vol" 1, the voice silent) shows where a note starts.
TEST_F(Talkforge, MidiNotesStartAtTheirSampleThroughTheTempoMap) {
    // Type 1, 480 ticks a quarter: 120 bpm, then 240 bpm from tick 480; the note
    // at tick 1000 is due at 0.5 s + 520 ticks at 0.25 s a quarter = 0.7708333 s.
    const auto song = file("song.mid").string();
    writeBytes(song, smf(1, 480, {{tempo(0, 500000), tempo(480, 250000)},
                                  {{1000, {0x91, 60, 100}}, {240, {0x81, 60, 0}}}}));
    const std::string quiet = silence(1.0, 44100);
    const auto out = file("out.wav").string();
    for (const auto& [rate, block, expected] : {std::tuple{"44100", "100", 33994L}, {"48000", "512", 37000L},
                                               {"48000", "1", 37000L}}) {
        const Outcome r = run({"render", quiet, "--midi", song, "--set", "Synth vol=1", "--set", "Waveform=0.34",
                           "--rate", rate, "--block", block, "--float", "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(firstAbove(readAudio(out), 1e-4f), expected) << "rate " << rate << ", block " << block;
    }

    // Type 0 with running status and an SMPTE division (25 fps x 40 ticks = 1 ms a tick).
    writeBytes(song, smf(0, (0x100 - 25) << 8 | 40, {{{250, {0x90, 64, 90}}, {250, {64, 0}}, {100, {67, 90}}}}));
    const Outcome r = run({"render", quiet, "--midi", song, "--set", "Synth vol=1", "--set", "Waveform=0.34",
                       "--float", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const Audio a = readAudio(out);
    EXPECT_EQ(firstAbove(a, 1e-4f), 11025);                  // 0.25 s
    EXPECT_GT(rmsOf(a, 33075, 35000), rmsOf(a, 30000, 33000));  // the second note at 0.6 s after the release
}

// --- The other commands -------------------------------------------------------------

TEST_F(Talkforge, ParamsListsEveryParameterAsAHostShowsIt) {
    const Outcome r = run({"params", "--set", "formant=1", "--set", "Band 12=0"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::vector<std::string> rows;
    while (std::getline(lines, line)) rows.push_back(line);
    ASSERT_EQ(rows.size(), 77u) << r.out;  // a header and 76 parameters
    EXPECT_NE(rows[1].find("Mod.level"), std::string::npos);
    EXPECT_NE(rows[1].find("dB"), std::string::npos);
    EXPECT_NE(rows[4].find("Formant"), std::string::npos);
    EXPECT_NE(rows[4].find("1.000000"), std::string::npos);
    EXPECT_NE(rows[4].find("10"), std::string::npos);
    EXPECT_NE(rows[38].find("Band 12"), std::string::npos);
    EXPECT_NE(rows[38].find("0.000000"), std::string::npos);
    EXPECT_NE(rows[76].find("Band 50"), std::string::npos);
}

TEST_F(Talkforge, ChordSetsTheOscillatorsAsTheKeyboardDoes) {
    const Outcome r = run({"params", "--chord", "C2,Eb3,C4"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Keys 0, 15 and 24 of the two octaves: values 0, 0.6 and 0.96, each at a third
    // of full level; the rest silent.
    const auto row = [&](const char* name) {
        const auto at = r.out.find(std::string(name) + " ");
        return at == std::string::npos ? std::string() : r.out.substr(at, r.out.find('\n', at) - at);
    };
    EXPECT_NE(row("O1 freq").find("0.000000"), std::string::npos) << row("O1 freq");
    EXPECT_NE(row("O2 offset").find("0.600000"), std::string::npos) << row("O2 offset");
    EXPECT_NE(row("O3 offset").find("0.960000"), std::string::npos) << row("O3 offset");
    for (const char* level : {"O1 level", "O2 level", "O3 level"})
        EXPECT_NE(row(level).find("0.333333"), std::string::npos) << row(level);
    for (const char* level : {"O4 level", "O5 level", "O6 level"})
        EXPECT_NE(row(level).find("0.000000"), std::string::npos) << row(level);

    // "Octave" at 1 moves the keyboard up to C3..C5.
    EXPECT_EQ(run({"params", "--set", "Octave=1", "--chord", "C5"}).status, 0);
}

TEST_F(Talkforge, DemoRendersTheShippedPhrase) {
    const auto out = file("demo.wav").string();
    const Outcome r = run({"demo", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    const Audio a = readAudio(out);
    EXPECT_EQ(a.channels, 2);
    EXPECT_GT(a.frames(), static_cast<std::size_t>(3 * a.rate));
    EXPECT_GT(rmsOf(a), 0.01);
    EXPECT_LT(peakOf(a), 1.0);
    EXPECT_TRUE(channelsEqual(a));
}

// --- Bad input ----------------------------------------------------------------------

TEST_F(Talkforge, BadInputFailsWithAMessageAndLeavesNoFile) {
    const std::string v = voice(0.5);
    writeBytes(file("notes.txt"), {'h', 'e', 'l', 'l', 'o', '\n'});
    writeAudio(file("empty.wav"), kRate, 1, {});
    // A WAV header that announces no channels.
    std::vector<std::uint8_t> noChannels = {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                            16, 0, 0, 0, 1, 0, 0, 0, 0x80, 0xBB, 0, 0, 0, 0, 0, 0, 0, 0, 16, 0,
                                            'd', 'a', 't', 'a', 0, 0, 0, 0};
    writeBytes(file("nochannels.wav"), noChannels);
    writeAudio(file("low.wav"), 4000, 1, std::vector<float>(4000, 0.0f));
    fs::create_directory(file("folder"));
    writeBytes(file("not.mid"), {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    std::vector<std::uint8_t> truncated = smf(0, 96, {{{0, {0x90, 60, 100}}, {96, {0x80, 60, 0}}}});
    truncated.resize(truncated.size() - 6);
    writeBytes(file("truncated.mid"), truncated);
    writeBytes(file("type2.mid"), smf(2, 96, {{}}));
    std::vector<std::uint8_t> orphan = smf(0, 96, {{{0, {60, 100}}}});
    writeBytes(file("orphan.mid"), orphan);
    const std::string out = file("out.wav").string();

    const std::vector<BadCase> cases = {
        {"missing voice", {"render", "$D/nothing.wav"}, "No such file"},
        {"voice is a directory", {"render", "$D/folder"}, "is a directory"},
        {"voice is not audio", {"render", "$D/notes.txt"}, "not an audio file"},
        {"voice holds no audio", {"render", "$D/empty.wav"}, "holds no audio"},
        {"voice has no channels", {"render", "$D/nochannels.wav"}, "Channel count is zero"},
        {"missing carrier", {"render", "$V", "--carrier", "$D/none.flac"}, "carrier file"},
        {"unknown parameter", {"render", "$V", "--set", "Formnat=0.5"}, "did you mean 'Formant'?"},
        {"unknown band", {"render", "$V", "--set", "Band 51=0.5"}, "unknown parameter 'Band 51'"},
        {"value above 1", {"render", "$V", "--set", "Formant=1.5"}, "not a number from 0 to 1"},
        {"value not a number", {"render", "$V", "--set", "Formant=half"}, "not a number from 0 to 1"},
        {"setting without value", {"render", "$V", "--set", "Formant"}, "expected NAME=VALUE"},
        {"malformed chord", {"render", "$V", "--chord", "C3,H3"}, "'H3' is not a note name"},
        {"empty chord note", {"render", "$V", "--chord", "C3,,E3"}, "is not a note name"},
        {"chord note out of range", {"render", "$V", "--chord", "C3,D4"}, "outside the keyboard's range C2 to C4"},
        {"chord with seven notes", {"render", "$V", "--chord", "C2,D2,E2,F2,G2,A2,B2"}, "6 oscillators"},
        {"chord note twice", {"render", "$V", "--chord", "C3,c3"}, "given twice"},
        {"missing MIDI file", {"render", "$V", "--midi", "$D/none.mid"}, "MIDI file"},
        {"MIDI file not MIDI", {"render", "$V", "--midi", "$D/not.mid"}, "not a Standard MIDI File"},
        {"MIDI file truncated", {"render", "$V", "--midi", "$D/truncated.mid"}, "truncated"},
        {"MIDI type 2", {"render", "$V", "--midi", "$D/type2.mid"}, "type 2"},
        {"MIDI data without status", {"render", "$V", "--midi", "$D/orphan.mid"}, "without a status byte"},
        {"carrier with chord", {"render", "$V", "--carrier", "$V", "--chord", "C3"}, "cannot be combined"},
        {"rate too low", {"render", "$V", "--rate", "1000"}, "not supported"},
        {"voice rate unsupported", {"render", "$D/low.wav"}, "choose a rate with --rate"},
        {"rate not a number", {"render", "$V", "--rate", "fast"}, "not a sample rate"},
        {"block zero", {"render", "$V", "--block", "0"}, "block size from 1 to 65535"},
        {"block too large", {"render", "$V", "--block", "65536"}, "block size from 1 to 65535"},
        {"length zero", {"render", "$V", "--length", "0"}, "a length in seconds"},
        {"two inputs from standard input", {"render", "-", "--carrier", "-"}, "only one input"},
        {"unknown option", {"render", "$V", "--wet"}, "unknown option '--wet'"},
        {"option needs value", {"render", "$V", "--chord"}, "needs a value"},
        {"option of another command", {"params", "--midi", "x.mid"}, "does not apply"},
        {"unknown command", {"rendr", "$V"}, "unknown command 'rendr'"},
        {"plug-in missing", {"render", "$V", "--plugin", "$D/none.so"}, "cannot load plug-in"},
        {"plug-in not a library", {"render", "$V", "--plugin", "$D/notes.txt"}, "cannot load plug-in"},
    };
    writeBytes(out, {'k', 'e', 'e', 'p'});
    const auto before = listing();
    for (const BadCase& c : cases) {
        std::vector<std::string> args;
        for (std::string a : c.args) {
            if (a == "$V") a = v;
            else if (a.rfind("$D", 0) == 0) a = dir.string() + a.substr(2);
            args.push_back(a);
        }
        if (args[0] == "render") args.insert(args.end(), {"-o", out});
        const Outcome r = run(args);
        EXPECT_NE(r.status, 0) << c.what;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
        EXPECT_EQ(slurp(out), "keep") << c.what;
        EXPECT_EQ(listing(), before) << c.what;
    }
}

TEST_F(Talkforge, OutputProblemsAreReportedWithoutLeftovers) {
    const std::string v = voice(0.5);
    Outcome r = run({"render", v, "-o", file("no/such/dir/out.wav").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos) << r.err;
    r = run({"render", v, "-o", v});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("is the input file"), std::string::npos) << r.err;
    r = run({"render", v});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("no output file"), std::string::npos) << r.err;
    EXPECT_EQ(listing(), std::vector<std::string>{"voice.wav"});
}

TEST_F(Talkforge, InterruptedRenderRemovesItsTemporaryFile) {
    const std::string v = voice(120.0, 8000);
    const auto out = file("out.wav").string();
    const pid_t pid = spawn({"render", v, "--block", "1", "-o", out});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    bool writing = false;
    while (!writing && std::chrono::steady_clock::now() < deadline) {
        for (const auto& name : listing()) writing = writing || name.rfind(".out.wav.tmp-", 0) == 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_TRUE(writing) << "the render never started writing";
    kill(pid, SIGTERM);
    const Outcome r = finish(pid);
    EXPECT_NE(r.status, 0);
    for (const auto& name : listing()) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
    EXPECT_FALSE(fs::exists(out));
}

// --- Streams, output targets and render lengths -------------------------------------

// The samples of a WAV file or stream: what follows the data chunk's tag and size.
std::string wavData(const std::string& bytes) {
    const auto at = bytes.find("data");
    return at == std::string::npos ? std::string() : bytes.substr(at + 8);
}

TEST_F(Talkforge, StandardInputAndOutputCarryTheAudio) {
    const std::string v = voice(1.0);
    const auto reference = file("reference.wav").string();
    ASSERT_EQ(run({"render", v, "--float", "-o", reference}).status, 0);

    // The voice from standard input, the output to standard output redirected to a file.
    const auto redirected = file("redirected.wav").string();
    Outcome r = finish(spawn({"render", "-", "--float", "-o", "-"}, v, redirected));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("wrote standard output"), std::string::npos) << r.err;  // not into the audio
    EXPECT_EQ(readAudio(redirected).data, readAudio(reference).data);

    // Into a pipe: a WAV stream that gives no length, with the file's samples.
    const auto pipe = file("pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string streamed;
    std::thread reader([&] { streamed = slurp(pipe); });
    r = finish(spawn({"render", v, "--float", "-o", "-"}, "", pipe));
    reader.join();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(streamed.substr(0, 8), std::string("RIFF") + std::string(4, '\xFF'));
    EXPECT_EQ(wavData(streamed), wavData(slurp(reference)));

    // Another render reads such a stream from a pipe, to its end.
    const pid_t writer = spawn({"render", v, "--float", "-o", pipe}, "", "/dev/null");
    const auto chained = file("chained.wav").string();
    r = finish(spawn({"render", "-", "--compensate-latency", "-o", chained}, pipe));
    int status = -1;
    waitpid(writer, &status, 0);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readAudio(chained).frames(), static_cast<std::size_t>(kRate + kLatency));
}

TEST_F(Talkforge, OutputFollowsLinksAndWritesDevicesAndPipesInPlace) {
    const std::string v = voice(0.5);
    Outcome r = run({"render", v, "-o", "/dev/null"});
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat st {};
    ASSERT_EQ(stat("/dev/null", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << "/dev/null was replaced";

    // A link to a file, or to a name not yet taken: the link stays, its target gets the output.
    writeBytes(file("target.wav"), {'o', 'l', 'd'});
    fs::create_symlink("target.wav", file("link.wav"));
    fs::create_symlink("new.wav", file("dangling.wav"));
    for (const auto& [link, target] : {std::pair{"link.wav", "target.wav"}, {"dangling.wav", "new.wav"}}) {
        r = run({"render", v, "-o", file(link).string()});
        ASSERT_EQ(r.status, 0) << link << ": " << r.err;
        EXPECT_TRUE(fs::is_symlink(file(link))) << link;
        EXPECT_EQ(readAudio(file(target)).channels, 2) << target;
    }

    // A named pipe is written into, not replaced.
    const auto pipe = file("pipe").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string streamed;
    std::thread reader([&] { streamed = slurp(pipe); });
    r = run({"render", v, "-o", pipe});
    reader.join();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_EQ(streamed.substr(0, 4), "RIFF");
    EXPECT_EQ(wavData(streamed).size(), static_cast<std::size_t>(kRate / 2 + kLatency) * 2 * 3);  // 24-bit stereo

    for (const auto& name : listing()) EXPECT_EQ(name.find(".tmp-"), std::string::npos) << name;
}

TEST_F(Talkforge, ProtectedOutputIsRefusedAndReplacedFilesKeepTheirMode) {
    const std::string v = voice(0.5);
    const fs::path locked = file("locked.wav");
    writeBytes(locked, {'k', 'e', 'e', 'p'});
    fs::permissions(locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    Outcome r = run({"render", v, "-o", locked.string()});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("is read-only"), std::string::npos) << r.err;  // for root too
    EXPECT_EQ(slurp(locked), "keep");
    EXPECT_EQ(listing(), (std::vector<std::string>{"locked.wav", "voice.wav"}));

    // A file someone else owns, writable by its owner: root replaces it with
    // the owner and mode kept; anyone else may only keep the mode.
    const fs::path shared = file("shared.wav");
    writeBytes(shared, {'o', 'l', 'd'});
    constexpr mode_t kSharedMode = 0640;
    ASSERT_EQ(chmod(shared.c_str(), kSharedMode), 0);
    constexpr uid_t kNobody = 65534;
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(shared.c_str(), kNobody, kNobody), 0);
    }
    r = run({"render", v, "-o", shared.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    struct stat st {};
    ASSERT_EQ(stat(shared.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, kSharedMode);
    if (root) {
        EXPECT_EQ(st.st_uid, kNobody);
    }
    EXPECT_EQ(readAudio(shared).channels, 2);
}

TEST_F(Talkforge, MidiRenderLengthFollowsTheSongWithinALimit) {
    constexpr int kLowRate = 8000;  // keeps the minute past the audio quick
    const std::string v = voice(1.0, kLowRate);
    const auto out = file("out.wav").string();
    // 120 bpm, 96 ticks a quarter: the note-off lands at 3 s, after the 1 s voice.
    const auto song = file("song.mid").string();
    writeBytes(song, smf(0, 96, {{{0, {0x90, 60, 100}}, {576, {0x80, 60, 0}}}}));
    Outcome r = run({"render", v, "--midi", song, "--compensate-latency", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readAudio(out).frames(), static_cast<std::size_t>(3 * kLowRate + 1));  // through the note-off's frame
    EXPECT_EQ(r.err, "");

    // 36 bytes, no notes, and the end of the track 142 years away (tempo 0xFFFFFF,
    // one tick a quarter, 0x0FFFFFFF ticks): cut a minute past the audio, with warnings.
    const std::vector<std::uint8_t> endless = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 1,
                                               'M', 'T', 'r', 'k', 0, 0, 0, 14,
                                               0x00, 0xFF, 0x51, 0x03, 0xFF, 0xFF, 0xFF,
                                               0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0x00};
    ASSERT_EQ(endless.size(), 36u);
    writeBytes(song, endless);
    r = run({"render", v, "--midi", song, "--compensate-latency", "-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readAudio(out).frames(), static_cast<std::size_t>(61 * kLowRate));
    EXPECT_NE(r.err.find("holds no notes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("give --length"), std::string::npos) << r.err;

    // --length renders exactly that span, cutting or padding the inputs.
    for (const auto& [length, frames] : {std::pair{"0.5", kLowRate / 2}, {"2.25", 9 * kLowRate / 4}}) {
        r = run({"render", v, "--midi", song, "--length", length, "--compensate-latency", "-o", out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(readAudio(out).frames(), static_cast<std::size_t>(frames)) << length;
        EXPECT_EQ(r.err.find("give --length"), std::string::npos) << r.err;
    }
}

TEST_F(Talkforge, MemoryDoesNotGrowWithTheLengthOfTheInputs) {
    // Five minutes at a low rate, voice and carrier, converted: a whole-file
    // render would hold them several times over (10 MB for each copy at 8 kHz,
    // 13 MB converted). The file is written a second at a time, since a
    // child's peak memory counts this process's too.
    constexpr int kLowRate = 8000;
    const std::vector<float> second = voiceSignal(kLowRate, kLowRate);
    std::vector<long> kilobytes;
    for (const int seconds : {15, 300}) {
        const auto input = file("input.wav").string();
        SF_INFO info{};
        info.samplerate = kLowRate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
        SNDFILE* f = sf_open(input.c_str(), SFM_WRITE, &info);
        ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
        for (int i = 0; i < seconds; ++i) sf_writef_float(f, second.data(), kLowRate);
        sf_close(f);
        const Outcome r = run({"render", input, "--carrier", input, "--rate", "11025", "-o", "/dev/null"});
        ASSERT_EQ(r.status, 0) << r.err;
        kilobytes.push_back(r.maxResidentKb);
    }
    constexpr long kSlackKb = 8 * 1024;
    EXPECT_LT(kilobytes[1], kilobytes[0] + kSlackKb) << "15 s: " << kilobytes[0] << " kB, 5 min: " << kilobytes[1] << " kB";
}

// The tool finds its plug-in and the demo phrase relative to itself, installed
// or built, wherever the folder has moved; TALKFORGE_PLUGIN and --plugin choose another.
TEST_F(Talkforge, FindsItsPluginAndDemoRelativeToItself) {
    unsetenv("TALKFORGE_PLUGIN");
    for (const auto& [program, plugin] : {std::pair{"installed/bin/talkforge", "installed/lib/lxvst/Talkforge.so"},
                                          {"built/tools/talkforge", "built/Talkforge.so"}}) {
        const fs::path demo = file(program).parent_path().parent_path() / "share/talkforge/demo-voice.flac";
        for (const auto& [from, to] : {std::pair<fs::path, fs::path>{TALKFORGE_TOOL, file(program)},
                                       {TALKFORGE_PLUGIN_FILE, file(plugin)}, {TALKFORGE_DEMO_VOICE, demo}}) {
            fs::create_directories(to.parent_path());
            fs::copy_file(from, to);
        }
        const auto out = file("demo.wav").string();
        const Outcome r = finish(spawn({"demo", "--quiet", "-o", out}, "", "", file(program).string()));
        ASSERT_EQ(r.status, 0) << program << ": " << r.err;
        EXPECT_GT(readAudio(out).frames(), static_cast<std::size_t>(kRate)) << program;
    }

    const std::string program = file("installed/bin/talkforge").string();
    const std::string elsewhere = file("elsewhere/Talkforge.so").string();
    setenv("TALKFORGE_PLUGIN", elsewhere.c_str(), 1);
    Outcome r = finish(spawn({"params"}, "", "", program));
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find(elsewhere), std::string::npos) << r.err;
    r = finish(spawn({"params", "--plugin", file("built/Talkforge.so").string()}, "", "", program));
    EXPECT_EQ(r.status, 0) << r.err;
    unsetenv("TALKFORGE_PLUGIN");
}

// --- Screenshot ---------------------------------------------------------------------

TEST_F(Talkforge, ScreenshotWithoutADisplaySaysHowToGetOne) {
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    const Outcome r = run({"screenshot", "-o", file("editor.png").string()});
    if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("xvfb-run"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(file("editor.png")));
}

TEST_F(Talkforge, ScreenshotShowsTheEditorWithTheChordAndALiveSpectrum) {
    if (std::system("command -v xvfb-run > /dev/null 2>&1") != 0) GTEST_SKIP() << "needs xvfb-run";
    const fs::path png = file("editor.png");
    const std::string command = "xvfb-run -a -s '-screen 0 1024x768x24 -nolisten tcp' '" TALKFORGE_TOOL
                                "' screenshot '" + voice(1.0) + "' --chord C3 --set Mod.level=0.8 -o '" +
                                png.string() + "' > '" + file("out.txt").string() + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << slurp(file("out.txt"));
    tf::raster::Surface shot;
    ASSERT_TRUE(tf::raster::readPng(png.string(), shot));
    ASSERT_EQ(shot.width(), 640);
    ASSERT_EQ(shot.height(), 385);
    // The dot of C3 on the keyboard (the 13th key, its dot at 70, 45).
    EXPECT_EQ(shot.pixel(244 + 70 + 5, 310 + 45 + 5), 0x0000c0u);
    // Spectrum bars: the voice was playing when the picture was taken.
    int bars = 0;
    for (int x = 18; x < 622; ++x) bars += shot.pixel(x, 197) == 0x00ffffu;
    EXPECT_GT(bars, 50);
    // Yellow digits (antialiased) in the Mod.level field.
    int yellow = 0;
    for (int y = 91; y < 102; ++y)
        for (int x = 229; x < 256; ++x) {
            const tf::raster::Pixel p = shot.pixel(x, y);
            yellow += tf::raster::redOf(p) > 64 && tf::raster::redOf(p) == tf::raster::greenOf(p) && tf::raster::blueOf(p) == 0;
        }
    EXPECT_GT(yellow, 5);
}

}  // namespace
