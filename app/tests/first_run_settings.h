#pragma once
// What a first run in an empty folder leaves in "quon.ini": the fifteen keys in their order.

namespace app_testing {

inline constexpr char kFirstRunFile[] =
    "[sysmtemfilelocations]\n"
    "system=orvo1.obj\n"
    "part1=orvo2.obj\n"
    "part2=orvo3.obj\n"
    "part3=orvo4.obj\n"
    "part4=orvo5.obj\n"
    "part6=orvocasb.obj\n"
    "part7=orvocas2b.obj\n"
    "[serial]\n"
    "baud=9600\n"
    "length=8\n"
    "parity=None\n"
    "port=COMM 1\n"
    "stopbits=1\n"
    "protocol=Xmodem1k-zkcrc\n"
    "[misc]\n"
    "conversion=0\n"
    "strip_zeros=0\n";

}  // namespace app_testing
