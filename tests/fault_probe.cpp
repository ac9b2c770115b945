// A second program on the printer's port: "open PATH" tries to open it and prints the outcome;
// "hold PATH" opens it and keeps it until its input closes.
#include "link/Failure.h"
#include "link/LinkChoice.h"
#include "link/PrinterLink.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[2]);
    serial::PrinterLink link;
    try {
        link.open(serial::LinkChoice::fromTexts(
                path, QStringLiteral("115200"), QStringLiteral("8"), QStringLiteral("1")));
    } catch (const serial::Failure &failure) {
        std::printf("%s\n", failure.what());
        return 1;
    }
    std::printf(std::string(argv[1]) == "hold" ? "HELD\n" : "OPENED\n");
    std::fflush(stdout);
    if (std::string(argv[1]) == "hold") {
        std::string line;
        std::getline(std::cin, line);
    }
    return 0;
}
