#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Engine.h"
#include "sound/Music.h"
#include "sound/SoundEffect.h"
#include "sound/SoundManager.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

const std::string kChime = VARNO_SOURCE_DIR "/Data/Sound/chime.wav";
const std::string kTheme = VARNO_SOURCE_DIR "/Data/Sound/theme.ogg";

std::vector<int16_t> readSamples(const std::string& path, size_t skipBytes = 0) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples;
    for (size_t i = skipBytes; i + 1 < bytes.size(); i += 2) {
        samples.push_back(int16_t(uint8_t(bytes[i]) | (uint8_t(bytes[i + 1]) << 8)));
    }
    return samples;
}

// Audio through SDL's "disk" driver: what the mixer plays lands in a file,
// at the real-time pace of a sound card.
class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        output = "/tmp/varno-sound-" + std::to_string(::getpid()) + ".raw";
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
        manager = new SoundManager();
        ASSERT_TRUE(manager->isAudioOpen()) << SDL_GetError();
        Engine::soundManager = manager;
    }
    void TearDown() override {
        delete manager;
        Engine::soundManager = nullptr;
        SDL_Quit();
        std::remove(output.c_str());
    }
    // Closes the device, so that everything mixed is in the file, and reads it.
    std::vector<int16_t> closeAndReadOutput() {
        delete manager;
        manager = nullptr;
        Engine::soundManager = nullptr;
        return readSamples(output);
    }
    std::string output;
    SoundManager* manager = nullptr;
};

// A stretch of samples from the middle of the chime.
std::vector<int16_t> chimeStretch() {
    const std::vector<int16_t> wav = readSamples(kChime, 44);
    return std::vector<int16_t>(wav.begin() + 4000, wav.begin() + 4400);
}

bool contains(const std::vector<int16_t>& haystack, const std::vector<int16_t>& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) !=
           haystack.end();
}

}  // namespace

TEST_F(SoundTest, PlayedEffectReachesTheOutputSampleForSample) {
    auto* chime = new SoundEffect(kChime);
    ASSERT_TRUE(chime->isLoaded());
    ASSERT_EQ(manager->effectCount(), 1u);
    manager->playEffect(0, 0);
    manager->playEffect(1, 0);  // past the registry: nothing
    SDL_Delay(900);
    // The device runs at the effect's own rate and format, so at full volume
    // its samples come out unchanged.
    EXPECT_TRUE(contains(closeAndReadOutput(), chimeStretch()));
}

TEST_F(SoundTest, HaltedMusicLeavesSilence) {
    auto* theme = new Music(kTheme);
    ASSERT_TRUE(theme->isLoaded());
    manager->playMusic(0, -1);
    SDL_Delay(600);
    manager->haltMusic();
    const size_t haltedAt = readSamples(output).size();
    SDL_Delay(600);
    const std::vector<int16_t> all = closeAndReadOutput();
    ASSERT_GT(all.size(), haltedAt + 8192);
    long before = 0;
    for (size_t i = 0; i < haltedAt; ++i) {
        before += std::abs(all[i]);
    }
    EXPECT_GT(before, 1000000);
    // What the device had buffered at the halt may still play; after that,
    // nothing.
    for (size_t i = haltedAt + 8192; i < all.size(); ++i) {
        ASSERT_EQ(all[i], 0) << "sample " << i << " after the halt at " << haltedAt;
    }
}

TEST_F(SoundTest, VolumesAreClampedAndApplied) {
    EXPECT_EQ(manager->getEffectVolume(), MIX_MAX_VOLUME);
    manager->setEffectVolume(200);
    EXPECT_EQ(manager->getEffectVolume(), 128);
    EXPECT_EQ(Mix_Volume(0, -1), 128);
    manager->setEffectVolume(-5);
    EXPECT_EQ(Mix_Volume(3, -1), 0);
    manager->setMusicVolume(-5);
    EXPECT_EQ(manager->getMusicVolume(), 0);
    EXPECT_EQ(Mix_VolumeMusic(-1), 0);
    manager->setMusicVolume(64);
    EXPECT_EQ(Mix_VolumeMusic(-1), 64);
}

TEST_F(SoundTest, SecondTrackStopsTheFirst) {
    auto* theme = new Music(kTheme);
    auto* chime = new Music(kChime);  // a WAV file streams as music too
    theme->play(-1);
    SDL_Delay(400);
    chime->play(0);
    const size_t switchedAt = readSamples(output).size();
    SDL_Delay(1500);
    // The chime plays, and once it has ended the looping theme is not heard.
    const std::vector<int16_t> all = closeAndReadOutput();
    const std::vector<int16_t> wav = readSamples(kChime, 44);
    EXPECT_TRUE(contains(all, chimeStretch()));
    const size_t chimeEnd = switchedAt + wav.size() + 16384;
    ASSERT_GT(all.size(), chimeEnd + 4096);
    for (size_t i = chimeEnd; i < all.size(); ++i) {
        ASSERT_EQ(all[i], 0) << "sample " << i;
    }
}

TEST_F(SoundTest, RegistryOwnsWhatLoadedAndReleasesOnce) {
    auto* empty = new SoundEffect("");
    EXPECT_EQ(manager->effectCount(), 0u);  // nothing to load: not registered
    manager->removeEffect(empty);           // not registered, still deleted

    CaptureStdout();
    auto* missing = new SoundEffect("/nonexistent/boom.wav");
    auto* missingMusic = new Music("/nonexistent/song.ogg");
    EXPECT_EQ(GetCapturedStdout(),
              "Failed to load sound: /nonexistent/boom.wav\n"
              "Failed to load music /nonexistent/song.ogg\n");
    EXPECT_EQ(missing->play(0), 0);
    missingMusic->play(0);    // nothing to play
    missingMusic->release();  // never registered: still its creator's
    delete missing;
    delete missingMusic;

    auto* theme = new Music(kTheme);
    ASSERT_EQ(manager->musicCount(), 1u);
    theme->play(0);
    theme->release();  // stops, frees the track once and deletes the object
    EXPECT_EQ(manager->musicCount(), 0u);
    EXPECT_EQ(Mix_PlayingMusic(), 0);

    auto* chime = new SoundEffect(kChime);
    ASSERT_EQ(manager->effectCount(), 1u);
    chime->release();
    EXPECT_EQ(manager->effectCount(), 0u);
    new SoundEffect(kChime);  // left registered: the manager deletes it
}

TEST(SoundManagerFailure, NoAudioDriverIsReportedAndLoadsFail) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CaptureStdout();
    {
        SoundManager manager;
        Engine::soundManager = &manager;
        EXPECT_FALSE(manager.isAudioOpen());
        SoundEffect chime(kChime);
        EXPECT_FALSE(chime.isLoaded());
        Engine::soundManager = nullptr;
    }
    std::string out = GetCapturedStdout();
    EXPECT_EQ(out.rfind("Unable to open audio\nFailed to load sound: ", 0), 0u) << out;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}
