#pragma once
// The main of a benchmark that paints pages: the PDFs are drawn with fonts,
// so a GUI application (offscreen unless told otherwise) comes first.

#include "ui/Layout.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

inline int runPaintingBenchmarks(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    classdiv::installFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
