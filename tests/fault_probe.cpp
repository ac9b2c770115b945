// A second program on the printer's port: "open PATH" tries to open it and prints the outcome;
// "hold PATH" opens it and keeps it until its input closes.
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
    serial::PrinterLink link;
    QObject::connect(&link, &serial::PrinterLink::failed, [](serial::LinkFailure failure) {
        std::printf("FAILED %d\n", int(failure));
    });
    link.open(QString::fromLocal8Bit(argv[2]), serial::LineSettings());
    if (!link.isOpen())
        return 1;
    const bool hold = std::string(argv[1]) == "hold";
    std::printf(hold ? "HELD\n" : "OPENED\n");
    std::fflush(stdout);
    if (hold) {
        std::string line;
        std::getline(std::cin, line);
    }
    return 0;
}
