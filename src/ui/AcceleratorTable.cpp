#include "ui/AcceleratorTable.h"

#include "ui/ControlIds.h"

const std::array<Accelerator, 18> kAccelerators = {{
    {Qt::CTRL | Qt::Key_4, CommandId::SampleRate},
    {Qt::CTRL | Qt::Key_5, CommandId::Patchbay},
    {Qt::CTRL | Qt::Key_6, CommandId::StereoSource},
    {Qt::CTRL | Qt::Key_7, CommandId::SpatOuts},
    {Qt::CTRL | Qt::Key_8, CommandId::Diagram},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_M, CommandId::ToggleRawValues},
    {Qt::CTRL | Qt::Key_P, CommandId::DefaultPreset},
    {Qt::CTRL | Qt::Key_L, CommandId::CueList},
    {Qt::CTRL | Qt::Key_R, CommandId::Room},
    {Qt::CTRL | Qt::Key_S, CommandId::SaveAs},
    {Qt::CTRL | Qt::Key_N, CommandId::New},
    {Qt::CTRL | Qt::Key_O, CommandId::Import},
    {Qt::CTRL | Qt::Key_W, CommandId::Close},
    {Qt::CTRL | Qt::Key_M, CommandId::Minimize},
    {Qt::CTRL | Qt::Key_Q, CommandId::Exit},
    {Qt::CTRL | Qt::Key_Z, CommandId::Undo},
    {Qt::CTRL | Qt::SHIFT | Qt::Key_Z, CommandId::Redo},
    {Qt::CTRL | Qt::Key_Y, CommandId::Redo},
}};
