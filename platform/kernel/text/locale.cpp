// The device language and its code page. The handheld's language is the POSIX locale of the process
// environment (LC_ALL, then LC_MESSAGES, then LANG: the first one set and not empty), mapped to a
// Windows language identifier. The environment is read on every call, so a test that changes it sees
// the new language at once.

#include "text_internal.h"

#include <cstdlib>
#include <string_view>

namespace
{

struct LocaleName
{
    std::string_view name; // "ll_CC" or "ll" (the language's default country)
    LANGID langId;
};

// Languages with several countries list the language alone first as its default.
constexpr LocaleName kLocales[] = {
    {"en", 0x0409},    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"en_ZA", 0x1C09}, {"en_IN", 0x4009}, {"en_SG", 0x4809},
    {"zh", 0x0804},    {"zh_CN", 0x0804}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
    {"zh_MO", 0x1404}, {"ja", 0x0411},    {"ja_JP", 0x0411}, {"ko", 0x0412},    {"ko_KR", 0x0412},
    {"de", 0x0407},    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007},
    {"fr", 0x040C},    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"fr_LU", 0x140C}, {"es", 0x0C0A},    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"es_AR", 0x2C0A},
    {"es_CO", 0x240A}, {"es_CL", 0x340A}, {"es_US", 0x540A}, {"it", 0x0410},    {"it_IT", 0x0410},
    {"it_CH", 0x0810}, {"pt", 0x0416},    {"pt_BR", 0x0416}, {"pt_PT", 0x0816}, {"nl", 0x0413},
    {"nl_NL", 0x0413}, {"nl_BE", 0x0813}, {"sv", 0x041D},    {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
    {"da", 0x0406},    {"da_DK", 0x0406}, {"nb", 0x0414},    {"nb_NO", 0x0414}, {"no", 0x0414},
    {"no_NO", 0x0414}, {"nn", 0x0814},    {"nn_NO", 0x0814}, {"fi", 0x040B},    {"fi_FI", 0x040B},
    {"is", 0x040F},    {"is_IS", 0x040F}, {"ru", 0x0419},    {"ru_RU", 0x0419}, {"uk", 0x0422},
    {"uk_UA", 0x0422}, {"pl", 0x0415},    {"pl_PL", 0x0415}, {"cs", 0x0405},    {"cs_CZ", 0x0405},
    {"sk", 0x041B},    {"sk_SK", 0x041B}, {"hu", 0x040E},    {"hu_HU", 0x040E}, {"ro", 0x0418},
    {"ro_RO", 0x0418}, {"hr", 0x041A},    {"hr_HR", 0x041A}, {"sl", 0x0424},    {"sl_SI", 0x0424},
    {"bg", 0x0402},    {"bg_BG", 0x0402}, {"el", 0x0408},    {"el_GR", 0x0408}, {"tr", 0x041F},
    {"tr_TR", 0x041F}, {"he", 0x040D},    {"he_IL", 0x040D}, {"ar", 0x0401},    {"ar_SA", 0x0401},
    {"ar_EG", 0x0C01}, {"th", 0x041E},    {"th_TH", 0x041E}, {"vi", 0x042A},    {"vi_VN", 0x042A},
    {"id", 0x0421},    {"id_ID", 0x0421}, {"ms", 0x043E},    {"ms_MY", 0x043E}, {"et", 0x0425},
    {"et_EE", 0x0425}, {"lv", 0x0426},    {"lv_LV", 0x0426}, {"lt", 0x0427},    {"lt_LT", 0x0427},
    {"ca", 0x0403},    {"ca_ES", 0x0403},
};

constexpr LANGID kEnglishUS = 0x0409;

const LocaleName* Find(std::string_view name)
{
    for (const LocaleName& l : kLocales)
    {
        if (l.name == name)
            return &l;
    }
    return nullptr;
}

std::string_view LocaleFromEnvironment()
{
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"})
    {
        const char* v = std::getenv(var);
        if (v && *v)
            return v;
    }
    return {};
}

// "zh_TW.UTF-8@stroke" -> 0x0404; the codeset and the modifier do not matter.
LANGID LangIdFromLocale(std::string_view locale)
{
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (const LocaleName* l = Find(locale))
        return l->langId;
    // An unlisted country of a listed language ("de_BE") takes the language's default.
    if (const LocaleName* l = Find(locale.substr(0, locale.find('_'))))
        return l->langId;
    return kEnglishUS; // "C", "POSIX", unset or unknown
}

LANGID DeviceLangId()
{
    return LangIdFromLocale(LocaleFromEnvironment());
}

} // namespace

LANGID GetUserDefaultLangID()
{
    return DeviceLangId();
}

LANGID GetSystemDefaultLangID()
{
    return DeviceLangId();
}

LCID GetUserDefaultLCID()
{
    return MAKELCID(DeviceLangId(), SORT_DEFAULT);
}

LCID GetSystemDefaultLCID()
{
    return MAKELCID(DeviceLangId(), SORT_DEFAULT);
}

UINT GetACP()
{
    const LANGID id = DeviceLangId();
    switch (PRIMARYLANGID(id))
    {
    case LANG_CHINESE:
        switch (SUBLANGID(id))
        {
        case SUBLANG_CHINESE_SIMPLIFIED:
        case SUBLANG_CHINESE_SINGAPORE:
            return 936;
        default: // Taiwan, Hong Kong, Macau
            return 950;
        }
    case LANG_JAPANESE:
        return 932;
    case LANG_KOREAN:
        return 949;
    default:
        return 1252;
    }
}

// The handheld has no separate DOS code page: the OEM code page is the ANSI one.
UINT GetOEMCP()
{
    return GetACP();
}
