#pragma once

#include <VantrelBinaryData.h>

/**
    The embedded files of the user interface under their resource names. Each
    accessor gives the bytes of a file compiled into the module and its length.
*/
namespace VantrelResources
{
    struct EmbeddedFile
    {
        const char* data;
        int size;
    };

    /** The 300 x 200 picture of the about box. */
    inline EmbeddedFile aboutImagePng() noexcept      { return { VantrelBinaryData::aboutImage_png, VantrelBinaryData::aboutImage_pngSize }; }

    /** The 70 x 70 icons of the alert boxes: question, warning and information. */
    inline EmbeddedFile alertQuestionPng() noexcept   { return { VantrelBinaryData::alertQuestion_png, VantrelBinaryData::alertQuestion_pngSize }; }
    inline EmbeddedFile alertWarningPng() noexcept    { return { VantrelBinaryData::alertWarning_png, VantrelBinaryData::alertWarning_pngSize }; }
    inline EmbeddedFile alertInfoPng() noexcept       { return { VantrelBinaryData::alertInfo_png, VantrelBinaryData::alertInfo_pngSize }; }

    /** The four Source Sans Pro faces, TrueType. */
    inline EmbeddedFile sourceSansProRegularTtf() noexcept     { return { VantrelBinaryData::SourceSansProRegular_ttf, VantrelBinaryData::SourceSansProRegular_ttfSize }; }
    inline EmbeddedFile sourceSansProItalicTtf() noexcept      { return { VantrelBinaryData::SourceSansProIt_ttf, VantrelBinaryData::SourceSansProIt_ttfSize }; }
    inline EmbeddedFile sourceSansProBoldTtf() noexcept        { return { VantrelBinaryData::SourceSansProBold_ttf, VantrelBinaryData::SourceSansProBold_ttfSize }; }
    inline EmbeddedFile sourceSansProBoldItalicTtf() noexcept  { return { VantrelBinaryData::SourceSansProBoldIt_ttf, VantrelBinaryData::SourceSansProBoldIt_ttfSize }; }
}
