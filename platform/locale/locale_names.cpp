#include "platform/locale/locale_names.h"

#include "platform/strings.h"

#include <algorithm>

namespace platform {

namespace {

struct LocaleId {
    std::string_view name; // "language_TERRITORY"
    LANGID id;
};

// The first row of each language is its main locale: it answers for the
// language alone and for a territory it has no row for. Spanish is Spain's
// modern sort (0x0C0A), as Windows sets it up, not the traditional 0x040A.
// One language a line.
// clang-format off
constexpr LocaleId kLocales[] = {
    {"ar_SA", 0x0401},
    {"bg_BG", 0x0402},
    {"ca_ES", 0x0403},
    {"cs_CZ", 0x0405},
    {"da_DK", 0x0406},
    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407},
    {"el_GR", 0x0408},
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009}, {"en_NZ", 0x1409},
    {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_JM", 0x2009}, {"en_PH", 0x3409}, {"en_IN", 0x4009},
    {"en_MY", 0x4409}, {"en_SG", 0x4809},
    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_GT", 0x100A}, {"es_CR", 0x140A}, {"es_PA", 0x180A},
    {"es_DO", 0x1C0A}, {"es_VE", 0x200A}, {"es_CO", 0x240A}, {"es_PE", 0x280A}, {"es_AR", 0x2C0A},
    {"es_EC", 0x300A}, {"es_CL", 0x340A}, {"es_UY", 0x380A}, {"es_PY", 0x3C0A}, {"es_BO", 0x400A},
    {"es_SV", 0x440A}, {"es_HN", 0x480A}, {"es_NI", 0x4C0A}, {"es_PR", 0x500A}, {"es_US", 0x540A},
    {"et_EE", 0x0425},
    {"fi_FI", 0x040B},
    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C}, {"fr_LU", 0x140C},
    {"fr_MC", 0x180C},
    {"he_IL", 0x040D},
    {"hi_IN", 0x0439},
    {"hr_HR", 0x041A},
    {"hu_HU", 0x040E},
    {"id_ID", 0x0421},
    {"is_IS", 0x040F},
    {"it_IT", 0x0410}, {"it_CH", 0x0810},
    {"ja_JP", 0x0411},
    {"ko_KR", 0x0412},
    {"lt_LT", 0x0427},
    {"lv_LV", 0x0426},
    {"nb_NO", 0x0414},
    {"nn_NO", 0x0814},
    {"no_NO", 0x0414},
    {"nl_NL", 0x0413}, {"nl_BE", 0x0813},
    {"pl_PL", 0x0415},
    {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
    {"ro_RO", 0x0418},
    {"ru_RU", 0x0419},
    {"sk_SK", 0x041B},
    {"sl_SI", 0x0424},
    {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
    {"th_TH", 0x041E},
    {"tr_TR", 0x041F},
    {"uk_UA", 0x0422},
    {"vi_VN", 0x042A},
    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004}, {"zh_MO", 0x1404},
};
// clang-format on

std::string_view Trim(std::string_view text) {
    while (!text.empty() && ascii::IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && ascii::IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

LANGID LangIdFromLocaleName(std::string_view localeName) {
    const std::string_view tag = localeName.substr(0, localeName.find_first_of(".@"));
    const std::size_t separator = tag.find_first_of("_-");
    const std::string_view language = tag.substr(0, separator);
    const std::string_view territory =
        separator == std::string_view::npos ? std::string_view() : tag.substr(separator + 1);
    if (language.empty() || language == "C" || language == "POSIX")
        return 0;

    const LocaleId* main = nullptr;
    for (const LocaleId& locale : kLocales) {
        const std::size_t cut = locale.name.find('_');
        if (!ascii::EqualsIgnoringCase(locale.name.substr(0, cut), language))
            continue;
        if (ascii::EqualsIgnoringCase(locale.name.substr(cut + 1), territory))
            return locale.id;
        if (main == nullptr)
            main = &locale;
    }
    return main ? main->id : LOCALE_CUSTOM_UNSPECIFIED;
}

std::string LangFromLocaleConfig(std::string_view configText) {
    std::string value;
    while (!configText.empty()) {
        const std::size_t end = configText.find('\n');
        std::string_view line = Trim(configText.substr(0, end));
        configText =
            end == std::string_view::npos ? std::string_view() : configText.substr(end + 1);
        if (line.starts_with("export "))
            line = Trim(line.substr(7));
        if (!line.starts_with("LANG="))
            continue;
        line = Trim(line.substr(5));
        if (line.size() >= 2 && (line.front() == '"' || line.front() == '\'') &&
            line.back() == line.front())
            line = line.substr(1, line.size() - 2);
        value = line; // like the shell, a later assignment wins
    }
    return value;
}

} // namespace platform
