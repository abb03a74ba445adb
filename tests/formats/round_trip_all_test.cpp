// The round trip of round_trip_test.cpp over every text an 8-character field with 3 or 4
// decimals can hold, with the neighbours of each value: about 66 million round trips.
#include <gtest/gtest.h>

#include "round_trip.hpp"

using pelzak::faults::every_text;

TEST(FieldRoundTripAll, EveryPrintableField) {
  every_text(-999999, 9999999, 3);
  every_text(-999999, 9999999, 4);
}
