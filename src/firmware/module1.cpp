#include "firmware/module1.h"

std::uint8_t Module1::XorSum(const QByteArray &a)
{
    std::uint8_t sum = 0;
    for (qsizetype i = 0; i + 1 < a.size(); ++i)
        sum ^= static_cast<std::uint8_t>(a.at(i));
    return sum;
}
