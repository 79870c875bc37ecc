#include "platform/foundation/Clock.h"
#include "platform/foundation/NSArray.h"
#include "platform/foundation/NSData.h"
#include "platform/foundation/NSDate.h"
#include "platform/foundation/NSDictionary.h"
#include "platform/foundation/NSNumber.h"
#include "platform/foundation/NSPropertyListSerialization.h"
#include "platform/foundation/NSString.h"
#include "platform/foundation/PropertyListText.h"

#include "SettingsTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

using Format = NSPropertyListSerialization::Format;

TEST(PropertyList, DatesComeFromTheClockInForceAndPrintInUtc)
{
    Clock::setCurrent(std::make_shared<VirtualClock>(1796678581.75));
    auto now = NSDate::date();
    EXPECT_EQ(now->timeIntervalSince1970(), 1796678581.75);
    EXPECT_EQ(now->description(), "2026-12-07 21:23:01 +0000");
    EXPECT_EQ(NSDate::dateWithTimeIntervalSince1970(0)->description(), "1970-01-01 00:00:00 +0000");
    // Just before the epoch is the last second of 1969, not the first of 1970.
    EXPECT_EQ(NSDate::dateWithTimeIntervalSince1970(-0.5)->description(), "1969-12-31 23:59:59 +0000");
    EXPECT_NE(NSDate::dateWithTimeIntervalSince1970(NAN)->description(), "");
    // Far beyond any calendar the date has no form, rather than a wrapped or 1900 one.
    EXPECT_EQ(NSDate::dateWithTimeIntervalSince1970(1e300)->description(), "(invalid date)");
    EXPECT_EQ(NSDate::dateWithTimeIntervalSince1970(-1e300)->description(), "(invalid date)");
}

TEST(PropertyList, NumbersAndCollectionsPrintAsFoundationDoes)
{
    auto text = [](double d) { return PropertyListText::numberText(*NSNumber::numberWithDouble(d)); };
    EXPECT_EQ(text(20.0), "20");
    EXPECT_EQ(text(1.5), "1.5");
    EXPECT_EQ(text(0.1), "0.1");
    EXPECT_EQ(text(-180.0), "-180");
    EXPECT_EQ(text(1e20), "1e+20");
    EXPECT_EQ(text(30.5f), "30.5");
    EXPECT_EQ(PropertyListText::numberText(*NSNumber::numberWithBool(true)), "1");
    // %@ prints a number's own description, which must agree with the list text.
    EXPECT_EQ(NSNumber::numberWithDouble(20.0)->description(), "20");
    EXPECT_EQ(NSNumber::numberWithDouble(180.5)->description(), "180.5");
    EXPECT_EQ(NSNumber::numberWithDouble(1e16)->description(), "10000000000000000");

    // Reals with no whole value: boxing and reading them back stays defined and saturates.
    auto nan = NSNumber::numberWithDouble(NAN);
    auto inf = NSNumber::numberWithDouble(INFINITY);
    auto huge = NSNumber::numberWithDouble(-1e300);
    EXPECT_EQ(nan->integerValue(), 0);
    EXPECT_EQ(inf->integerValue(), INT64_MAX);
    EXPECT_EQ(huge->integerValue(), INT64_MIN);
    EXPECT_EQ(NSNumber::numberWithDouble(9223372036854775808.0)->integerValue(), INT64_MAX);
    EXPECT_EQ(NSNumber::numberWithDouble(-2.9)->integerValue(), -2);
    EXPECT_EQ(nan->description(), "nan");
    EXPECT_EQ(inf->description(), "inf");

    NSDictionary::Storage inner{{"z", NSNumber::numberWithInteger(-1)}};
    auto dict = NSDictionary::dictionaryWithDictionary(
        {{"plain", NSString::stringWithString("abc")}, {"needs quotes", NSString::stringWithString("a_b")},
         {"list", NSArray::arrayWithArray({NSNumber::numberWithDouble(2.5), NSDictionary::dictionaryWithDictionary(inner)})},
         {"empty", NSString::stringWithString("")}, {"bytes", NSData::dataWithBytes("\x01\x02\x03\x04\xff", 5)}});
    EXPECT_EQ(dict->description(), "{\n"
                                    "    bytes = <01020304 ff>;\n"
                                    "    empty = \"\";\n"
                                    "    list = (\n"
                                    "        \"2.5\",\n"
                                    "        {\n"
                                    "            z = \"-1\";\n"
                                    "        }\n"
                                    "    );\n"
                                    "    \"needs quotes\" = \"a_b\";\n"
                                    "    plain = abc;\n"
                                    "}");
}

// The store checks values with propertyList() before taking them; it must refuse exactly what
// the encoder cannot write, or a taken value would make every later write of the file fail.
TEST(PropertyList, TheValidityCheckAgreesWithTheEncoder)
{
    std::shared_ptr<NSObject> deep = NSString::stringWithString("leaf");
    for (int i = 0; i < 200; ++i)
        deep = NSArray::arrayWithArray({deep});
    std::shared_ptr<NSObject> shallow = NSNumber::numberWithInteger(1);
    for (int i = 0; i < 100; ++i)
        shallow = NSDictionary::dictionaryWithDictionary({{"k", shallow}});
    const std::vector<std::shared_ptr<NSObject>> values = {
        NSString::stringWithString("0,1,2"), NSNumber::numberWithDouble(NAN), NSData::dataWithBytes("", 0),
        NSDate::dateWithTimeIntervalSince1970(NAN), NSDate::dateWithTimeIntervalSince1970(1e300),
        std::make_shared<NSObject>(), NSArray::arrayWithArray({NSNumber::numberWithBool(false), std::make_shared<NSObject>()}),
        NSDictionary::dictionaryWithDictionary({{"d", NSDate::dateWithTimeIntervalSince1970(NAN)}}), deep, shallow,
        // Control characters and U+FFFF fit the binary form only; bytes that are no UTF-8 fit neither.
        NSString::stringWithString("a\x01" "b"), NSString::stringWithString("\xEF\xBF\xBF"), NSString::stringWithString("a\xC0\x80"),
        NSDictionary::dictionaryWithDictionary({{"\x1B", NSNumber::numberWithInteger(1)}}),
        NSArray::arrayWithArray({NSString::stringWithString("\xED\xBF\xBF")})};
    for (const auto& value : values)
        for (Format format : {Format::XML, Format::Binary})
            EXPECT_EQ(NSPropertyListSerialization::propertyList(value.get(), format),
                      NSPropertyListSerialization::dataWithPropertyList(value.get(), format).has_value())
                << value->description();
    EXPECT_FALSE(NSPropertyListSerialization::propertyList(nullptr, Format::XML));
    EXPECT_TRUE(NSPropertyListSerialization::propertyList(values[10].get(), Format::Binary));
    EXPECT_EQ(NSPropertyListSerialization::reasonNotPropertyList(values[10].get(), Format::XML),
              "the text holds U+0001, which an XML property list cannot hold");
}

TEST(PropertyList, EveryValueKindSurvivesXmlAndBinaryAndBadInputGivesNull)
{
    auto dict = NSDictionary::dictionaryWithDictionary(
        {{"s", NSString::stringWithString("<&\"ü\n")}, {"t", NSNumber::numberWithBool(true)},
         {"i", NSNumber::numberWithInteger(-9000000000LL)}, {"r", NSNumber::numberWithDouble(0.1)},
         {"d", NSDate::dateWithTimeIntervalSince1970(1796678581.0)}, {"b", NSData::dataWithBytes("\0x", 2)},
         {"a", NSArray::arrayWithArray({NSString::stringWithString("one"), NSArray::arrayWithArray({})})},
         {"n", NSDictionary::dictionaryWithDictionary({})}});
    // XML keeps dates to the whole second, so the date here has no fraction.
    for (Format format : {Format::XML, Format::Binary}) {
        auto bytes = NSPropertyListSerialization::dataWithPropertyList(dict.get(), format);
        ASSERT_TRUE(bytes.has_value());
        auto back = NSPropertyListSerialization::propertyListWithData(*bytes);
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(back->isEqual(dict.get())) << back->description();
        auto number = std::dynamic_pointer_cast<NSNumber>(std::dynamic_pointer_cast<NSDictionary>(back)->objectForKey("t"));
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->kind(), NSNumber::Kind::Bool);
    }
    EXPECT_FALSE(NSPropertyListSerialization::dataWithPropertyList(std::make_shared<NSObject>().get(), Format::XML));
    auto holdsPlainObject = NSArray::arrayWithArray({std::make_shared<NSObject>()});
    EXPECT_FALSE(NSPropertyListSerialization::dataWithPropertyList(holdsPlainObject.get(), Format::XML));
    for (const std::string& bad : {std::string(), std::string("bplist00"), std::string("{ a = b; }"),
                                   std::string("<plist><dict><key>a</key></plist>")})
        EXPECT_EQ(NSPropertyListSerialization::propertyListWithData(bad), nullptr) << bad;
    // A NUL inside binary text is read whole: kept in a value, U+FFFD in a key (the parser would
    // abort on one in a UTF-16 key, and no key written here can hold it).
    auto pair = NSDictionary::dictionaryWithDictionary({{"ab", NSString::stringWithString("cd")}});
    for (const std::string& text : {std::string("\x52" "ab"), std::string("\x52" "cd")}) {
        auto bytes = *NSPropertyListSerialization::dataWithPropertyList(pair.get(), Format::Binary);
        auto at = bytes.find(text);
        ASSERT_NE(at, std::string::npos);
        bytes[at + 2] = '\0';
        auto back = std::dynamic_pointer_cast<NSDictionary>(NSPropertyListSerialization::propertyListWithData(bytes));
        ASSERT_NE(back, nullptr);
        const bool inKey = text.ends_with("ab");
        auto value = back->objectForKey(inKey ? std::string("a\xEF\xBF\xBD") : std::string("ab"));
        ASSERT_NE(value, nullptr) << back->description();
        EXPECT_EQ(std::dynamic_pointer_cast<NSString>(value)->string(), inKey ? "cd" : std::string("c\0", 2));
    }
    // Text with NUL goes out in the binary form only, whole, ASCII or not, and comes back alike.
    auto withNul = NSDictionary::dictionaryWithDictionary(
        {{"a", NSString::stringWithString(std::string("x\0y", 3))}, {"b", NSString::stringWithString(std::string("\xC3\xA9\0\x01", 4))}});
    EXPECT_FALSE(NSPropertyListSerialization::dataWithPropertyList(withNul.get(), Format::XML));
    auto nulBytes = NSPropertyListSerialization::dataWithPropertyList(withNul.get(), Format::Binary);
    ASSERT_TRUE(nulBytes.has_value());
    auto nulBack = NSPropertyListSerialization::propertyListWithData(*nulBytes);
    ASSERT_NE(nulBack, nullptr);
    EXPECT_TRUE(nulBack->isEqual(withNul.get())) << nulBack->description();
    auto nulKey = NSDictionary::dictionaryWithDictionary({{std::string("k\0", 2), NSString::stringWithString("v")}});
    EXPECT_FALSE(NSPropertyListSerialization::dataWithPropertyList(nulKey.get(), Format::Binary));

    // Nesting deeper than the guard is refused rather than recursed into until the stack runs
    // out, in the parser or in freeing what it built; so is a self-reference, and a file whose
    // shared containers the parser would copy beyond any memory. The limit is the same for
    // both forms: 513 levels are read, 514 are not.
    const auto xmlNested = [](int levels) {
        std::string text = "<?xml version=\"1.0\"?><!DOCTYPE plist [ <!ENTITY x \"<\"> ]><plist version=\"1.0\"><!-- <array> -->";
        for (int i = 0; i < levels; ++i)
            text += i % 2 ? "<array><string><![CDATA[<dict>]]></string>" : "<array  >";
        for (int i = 0; i < levels; ++i)
            text += "</array>";
        return text + "</plist>";
    };
    EXPECT_NE(NSPropertyListSerialization::propertyListWithData(xmlNested(513)), nullptr);
    EXPECT_NE(NSPropertyListSerialization::propertyListWithData(settings_test::deepBinaryPlist(513)), nullptr);
    EXPECT_NE(NSPropertyListSerialization::propertyListWithData(settings_test::sharedContainersPlist(12)), nullptr);
    for (const std::string& bad : {xmlNested(514), xmlNested(300000), settings_test::deepBinaryPlist(514),
                                   settings_test::deepBinaryPlist(90000), settings_test::sharedContainersPlist(40)})
        EXPECT_EQ(NSPropertyListSerialization::propertyListWithData(bad), nullptr) << bad.size();
    std::string selfHolding = settings_test::deepBinaryPlist(2);
    selfHolding[9] = '\0';
    EXPECT_EQ(NSPropertyListSerialization::propertyListWithData(selfHolding), nullptr);

    // A carriage return is written so that every XML reader reads it back, not as a line end.
    auto text = NSDictionary::dictionaryWithDictionary({{"k\r", NSString::stringWithString("a\r\nb")}});
    auto xml = *NSPropertyListSerialization::dataWithPropertyList(text.get(), Format::XML);
    EXPECT_EQ(xml.find('\r'), std::string::npos);
    EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(xml)->isEqual(text.get()));
}
