// The JSON writer of zvcat: separators between members and elements at every
// level, and strings escaped so that any catalogue byte gives valid ASCII
// JSON.
#include "json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(JsonWriterTest, PutsSeparatorsBetweenMembersAndElementsAtEveryLevel) {
  zvcat::JsonWriter j;
  j.BeginObject().Key("a").Number(-1).Key("b").BeginArray();
  j.Bool(true).Bool(false).Null().BeginObject().EndObject().BeginArray().EndArray().Number(4294967295LL);
  j.EndArray().Key("c").BeginObject().Key("d").String("").EndObject().EndObject();
  EXPECT_EQ("{\"a\":-1,\"b\":[true,false,null,{},[],4294967295],\"c\":{\"d\":\"\"}}", j.str());
}

TEST(JsonWriterTest, EscapesQuotesBackslashesAndControlCharacters) {
  zvcat::JsonWriter j;
  j.String(std::string("a\"b\\c/\b\f\n\r\t\x01\x1f\x7f", 14) + std::string(1, '\0'));
  EXPECT_EQ("\"a\\\"b\\\\c/\\b\\f\\n\\r\\t\\u0001\\u001f\\u007f\\u0000\"", j.str());
}

TEST(JsonWriterTest, WritesBytesFromHex80UpAsTheCodePointOfTheSameNumber) {
  zvcat::JsonWriter j;
  j.BeginObject().Key("caf\xE9").String("\x80\x9F\xA0\xE9\xFF").EndObject();
  EXPECT_EQ("{\"caf\\u00e9\":\"\\u0080\\u009f\\u00a0\\u00e9\\u00ff\"}", j.str());
}

}  // namespace
