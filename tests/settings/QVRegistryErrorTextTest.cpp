#include "settings/QVRegistry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(QVRegistryErrorText, MessagesAreTheFixedWindows1252Texts) {
    QVRegistry store;
    KxString text;
    store.GetErrorText(-1, text);
    EXPECT_STREQ(text, "QVRegistry - Fehler: \xFC"
                       "bergebener Puffer zu klein f\xFCr Registry Eintrag");
    store.GetErrorText(-13, text);
    EXPECT_STREQ(text, "QVRegistry - Warnung: Existierender Registry-Key wurde nicht \xFC"
                       "berschrieben");
    store.GetErrorText(-8, text);
    EXPECT_STREQ(text, "QVRegistry - Fehler: Ini-Datei nicht lesbar");
}

TEST(QVRegistryErrorText, UnknownCodesShareOneMessage) {
    QVRegistry store;
    for (int code : {0, 1, -14, -15, -16, 12345}) {
        KxString text;
        EXPECT_EQ(store.GetErrorText(code, text), 0);
        EXPECT_STREQ(text, "QVRegistry - Fehler: kein g\xFCltiger Fehlercode") << code;
    }
}

TEST(QVRegistryErrorText, BufferFormCutsAndTerminates) {
    QVRegistry store;
    char buffer[12];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(store.GetErrorText(-10, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "QVRegistry ");
    char one[1] = {'x'};
    EXPECT_EQ(store.GetErrorText(-10, one, 1), 0);
    EXPECT_EQ(one[0], '\0');
    EXPECT_EQ(store.GetErrorText(-10, nullptr, 5), -6);
}

} // namespace
