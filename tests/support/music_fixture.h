// A fixture for tests of the music clock: each test starts with no track and the clock set
// by hand, and leaves the default device clock behind.
#pragma once

#include <gtest/gtest.h>

#include "audio/music.h"

class MusicFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        closeMusic();
        setClockSource(ClockSource::Manual);
    }
    void TearDown() override {
        closeMusic();
        setClockSource(ClockSource::Device);
    }
};
