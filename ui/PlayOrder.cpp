#include "PlayOrder.h"

#include <random>

int PlayOrder::RandomIndex(int count)
{
    std::random_device device;
    std::ranlux48_base engine(device());
    std::uniform_int_distribution<int> distribution(0, count - 1);
    return distribution(engine);
}

PlayOrder::Step PlayOrder::AtEnd(int mode, int current, int count)
{
    if (count <= 0) {
        return {Step::Kind::Stop, -1};
    }
    switch (mode) {
    case AutoPlay:
        return {Step::Kind::Play, current + 1 >= count ? 0 : current + 1};
    case SinglePlay:
        return {Step::Kind::Play, current < 0 || current >= count ? 0 : current};
    case RandomPlay:
        return {Step::Kind::Play, RandomIndex(count)};
    default:
        return {Step::Kind::Finish, current};
    }
}

PlayOrder::Step PlayOrder::Previous(int mode, int current, int count)
{
    if (count <= 0) {
        return {Step::Kind::Stop, -1};
    }
    switch (mode) {
    case SinglePlay:
        return {Step::Kind::Play, current < 0 || current >= count ? 0 : current};
    case RandomPlay:
        return {Step::Kind::Play, RandomIndex(count)};
    default:
        return {Step::Kind::Play, current <= 0 || current > count ? count - 1 : current - 1};
    }
}

PlayOrder::Step PlayOrder::Next(int mode, int current, int count)
{
    if (count <= 0) {
        return {Step::Kind::Stop, -1};
    }
    switch (mode) {
    case SinglePlay:
        return {Step::Kind::Play, current < 0 || current >= count ? 0 : current};
    case RandomPlay:
        return {Step::Kind::Play, RandomIndex(count)};
    default:
        return {Step::Kind::Play, current + 1 >= count ? 0 : current + 1};
    }
}
