# The program's three windows: one table per window, one row per entry in the order of the form data.
# tools/gen_forms.py turns this description into the binary form-definition block that the program carries.
#
# Row: (name, type, identifier, (left, top, width, height), container, state, own data, events)
#   state  : set of "visible", "disabled", "tab"
#   events : list of (event number, handler routine name); the routine names are the application's
#            handlers; their position in HANDLERS is the stored handler reference.
#   own data: a dict of the type's stored settings; missing keys take the defaults in gen_forms.py,
#            None means the record carries no own data at all.

# Stored handler reference = position in this list (0 is a real handler; -1 stands for "none").
HANDLERS = [
    "applyManualGhostLock",
    "onMainWindowCreated",
    "onMainWindowDestroyed",
    "onMainWindowKeyDown",
    "onTimerTick",
    "openUndoPrompt",
    "onGhost32Clicked",
    "onSearchClicked",
    "showImageDetails",
    "onExitClicked",
    "selectCustomGhost",
    "applyCustomGhostLock",
    "storeSelectedPartition",
    "selectImage",
    "refreshOperationMode",
    "toggleLayoutMode",
    "runOneKey",
    "onRestartKeyDown",
    "quitAfterRun",
    "restartNow",
    "closeUndoPrompt",
    "undoInstallation",
    "doNothing",
    "onRestartPromptCreated",
    "onUndoKeyDown",
]

TITLE = "Quenvarghost一键还原工具"
FILTER_GHO = "(GHO文件)*.gho|*.gho"
FILTER_EXE = "*.exe|*.exe"
V, D, T = "visible", "disabled", "tab"

MAIN_WINDOW = dict(
    name="main_window", id=0x52010001, value_a=0x00C12144, class_id=0x19010003,
    units=[
        ("", "window", 0x06010000, (50, 50, 600, 370), None, {V},
         dict(version=6, title=TITLE, control_button=1, icon="art/main.ico"),
         [(0, "onMainWindowCreated"), (2, "onMainWindowDestroyed"), (-9, "onMainWindowKeyDown")]),
        ("时钟1", "Timer", 0x16010266, (320, 0, 24, 24), None, set(), dict(interval=5000), [(0, "onTimerTick")]),
        ("标签10", "Label", 0x16010220, (2, 120, 8, 16), "分组框1", {V}, dict(caption=""), []),
        ("通用对话框1", "CommonDlg", 0x160101E6, (152, 0, 32, 24), "分组框2", set(),
         dict(kind=0, filter=FILTER_GHO, directory="E:\\Ghost"), []),
        ("标签9", "Label", 0x1601019F, (2, 26, 14, 16), "分组框2", {V}, dict(caption=""), []),
        ("标签8", "Label", 0x1601019D, (368, 279, 136, 30), None, {V, D},
         dict(caption="说明：第一分区隐藏时请       勾选右侧选择框！", effect=1, colour=0xC0C0C0, wrap=1), []),
        ("状态条1", "StatusBar", 0x16010157, (8, 8, 510, 20), None, {V}, dict(), []),
        ("销毁按钮", "Button", 0x16010150, (112, 296, 72, 20), None, {T}, dict(caption="撒销(&U)"),
         [(0, "openUndoPrompt")]),
        ("文件标签", "Label", 0x16010137, (367, 239, 160, 25), None, {V},
         dict(caption="", effect=2, colour=0xFF0000, wrap=1), []),
        ("日期标签", "Label", 0x16010135, (368, 299, 180, 16), None, {V}, dict(caption=""), []),
        ("大小标签", "Label", 0x16010134, (368, 282, 160, 16), None, {V}, dict(caption=""), []),
        ("位置标签", "Label", 0x16010133, (368, 266, 140, 16), None, {V}, dict(caption=""), []),
        ("G选择框", "CheckBox", 0x160100B9, (250, 16, 88, 16), "分组框1", {V, T}, dict(caption="Ghost32(&G)"),
         [(0, "onGhost32Clicked")]),
        ("压缩组合框", "ComboBox", 0x160100B8, (255, 16, 72, 20), "分组框3", {V, T},
         dict(items=["快速压缩", "高压缩", "最高压缩"], text="快速压缩", current=0), []),
        ("手动选择框", "CheckBox", 0x160100AC, (369, 216, 92, 20), None, {V, T}, dict(caption="手动Ghost(&M)"),
         [(0, "applyManualGhostLock")]),
        ("标签7", "Label", 0x160100A3, (181, 16, 72, 16), "分组框3", {V}, dict(caption="选择压缩率："), []),
        ("通用对话框3", "CommonDlg", 0x1601008F, (216, 48, 32, 24), "分组框3", set(),
         dict(kind=0, filter=FILTER_EXE, directory="E:\\"), []),
        ("搜索按钮", "Button", 0x16010081, (524, 216, 60, 20), None, {V, T}, dict(caption="搜索(&S)"),
         [(0, "onSearchClicked")]),
        ("编辑框3", "EditBox", 0x16010080, (461, 216, 48, 20), None, {V, D, T}, dict(content="*.GHO"), []),
        ("列表框2", "ListBox", 0x1601007F, (368, 16, 216, 192), None, {V, T}, None, [(0, "showImageDetails")]),
        ("通用提供者1", "NProvider", 0x1601007E, (248, -8, 48, 32), "分组框2", set(), None, []),
        ("数据源1", "DataSrc", 0x1601007D, (112, -8, 132, 40), "分组框1", {T}, dict(provider="通用提供者1"), []),
        ("退出", "Button", 0x1601007C, (288, 296, 72, 20), None, {V, T}, dict(caption="退出(&X)"),
         [(0, "onExitClicked")]),
        ("打开2", "Button", 0x1601007B, (266, 40, 60, 20), "分组框3", {V, D, T}, dict(caption="打开(&P)"),
         [(0, "selectCustomGhost")]),
        ("编辑框2", "EditBox", 0x1601007A, (8, 40, 248, 20), "分组框3", {V, D, T}, dict(background=0xECECEC), []),
        ("CRC选择框", "CheckBox", 0x16010078, (160, 16, 112, 16), "分组框3", {V, T},
         dict(caption="忽略CRC错误(&I)"), []),
        ("自定义选择框", "CheckBox", 0x16010076, (9, 16, 135, 16), "分组框3", {V, T},
         dict(caption="自定义Ghost版本(&V)"), [(0, "applyCustomGhostLock")]),
        ("标签6", "Label", 0x16010075, (24, 0, 56, 16), "分组框3", {V}, dict(caption=" 高级选项"), []),
        ("分组框3", "GroupBox", 0x16010074, (8, 192, 336, 72), "分组框1", {V}, None, []),
        ("标签5", "Label", 0x16010073, (282, 100, 56, 16), "分组框1", {V}, dict(caption="总大小(M)"), []),
        ("标签4", "Label", 0x16010072, (185, 100, 64, 16), "分组框1", {V}, dict(caption="可用空间(M)"), []),
        ("标签3", "Label", 0x16010071, (93, 100, 64, 16), "分组框1", {V}, dict(caption="已用空间(M)"), []),
        ("标签2", "Label", 0x16010070, (13, 100, 48, 16), "分组框1", {V}, dict(caption="还原分区"), []),
        ("列表框1", "ListBox", 0x1601006F, (10, 120, 328, 66), "分组框1", {V, T}, dict(),
         [(0, "storeSelectedPartition")]),
        ("分组框2", "GroupBox", 0x1601006A, (8, 40, 336, 56), "分组框1", {V}, None, []),
        ("通用对话框2", "CommonDlg", 0x1601006B, (200, 0, 32, 24), "分组框2", set(),
         dict(kind=1, file_name="G_WinXP.gho", filter=FILTER_GHO, directory="E:\\Ghost"), []),
        ("打开1", "Button", 0x1601006C, (265, 24, 60, 20), "分组框2", {V, T}, dict(caption="打开(&F)"),
         [(0, "selectImage")]),
        ("标签1", "Label", 0x1601006D, (32, 0, 120, 16), "分组框2", {V}, dict(caption=" Ghost映像文件路径："), []),
        ("编辑框1", "EditBox", 0x1601006E, (16, 24, 240, 20), "分组框2", {V, D, T},
         dict(background=0xFFFFFF, font=dict(height=-14, weight=400, charset=134, face="宋体")), []),
        ("备份单选框", "RadioBox", 0x16010069, (140, 12, 92, 20), "分组框1", {V, T},
         dict(caption="备份系统(&B)", colour=0xFF0000), [(0, "refreshOperationMode")]),
        ("还原单选框", "RadioBox", 0x16010068, (31, 14, 97, 20), "分组框1", {V, T},
         dict(caption="还原系统(&R)", colour=0x0000FF, checked=1, reserved2=2), [(0, "refreshOperationMode")]),
        ("分组框1", "GroupBox", 0x16010067, (8, 8, 352, 280), None, {V}, None, []),
        ("高级", "Button", 0x16010037, (24, 296, 72, 20), None, {V, T}, dict(caption="高级(&A)"),
         [(0, "toggleLayoutMode")]),
        ("按钮2", "Button", 0x16010023, (520, 344, 64, 24), None, {V, T}, dict(caption="删除"), []),
        ("确定", "Button", 0x1601001F, (200, 296, 72, 20), None, {V, T}, dict(caption="确定(&Y)"),
         [(0, "runOneKey")]),
    ])

RESTART_PROMPT = dict(
    name="restart_prompt", id=0x52010182, value_a=1, class_id=0x19010188,
    units=[
        ("", "window", 0x06010183, (50, 50, 413, 121), None, {V}, dict(version=6, title=TITLE),
         [(0, "onRestartPromptCreated"), (-9, "onRestartKeyDown")]),
        ("图片框1", "PicBox", 0x160101D3, (32, 8, 48, 40), None, {V}, dict(picture="art/prompt.jpg"), []),
        ("标签2", "Label", 0x16010184, (90, 32, 320, 16), None, {V},
         dict(caption="选择“是(Y)”立即重启计算机，选择“否(N)”退出程序。"), []),
        ("标签1", "Label", 0x16010185, (90, 8, 272, 16), None, {V},
         dict(caption="程序处理完成，是否马上重启计算机进行还原？"), []),
        ("按钮2", "Button", 0x16010186, (225, 56, 60, 20), None, {V, T}, dict(caption="取消(&N)"),
         [(0, "quitAfterRun")]),
        ("按钮1", "Button", 0x16010187, (120, 56, 60, 20), None, {V, T}, dict(caption="确定(&Y)"),
         [(0, "restartNow")]),
        # Shown, with the window made taller, by a build that carries stand-ins (its caption is set then).
        ("标签3", "Label", 0x16010189, (8, 84, 400, 16), None, set(), dict(caption="", colour=0x0000C0), []),
    ])

UNDO_PROMPT = dict(
    name="undo_prompt", id=0x520101BA, value_a=1, class_id=0x190101C0,
    units=[
        ("", "window", 0x060101BB, (50, 50, 413, 121), None, {V}, dict(version=5, title="Drelvok"),
         [(0, "doNothing"), (-9, "onUndoKeyDown")]),
        ("图片框1", "PicBox", 0x160101CE, (32, 8, 56, 40), None, {V}, dict(picture="art/prompt.jpg"),
         [(-1, "doNothing")]),
        ("标签2", "Label", 0x160101BC, (110, 32, 272, 16), None, {V},
         dict(caption="选择“是(Y)”撤销操作，选择“否(N)”返回。"), []),
        ("标签1", "Label", 0x160101BD, (110, 8, 216, 16), None, {V}, dict(caption="您要撤销之前的操作吗？"), []),
        ("按钮2", "Button", 0x160101BE, (225, 56, 60, 20), None, {V, T}, dict(caption="取消(&N)"),
         [(0, "closeUndoPrompt")]),
        ("按钮1", "Button", 0x160101BF, (120, 56, 60, 20), None, {V, T}, dict(caption="确定(&Y)"),
         [(0, "undoInstallation")]),
    ])

WINDOWS = [MAIN_WINDOW, RESTART_PROMPT, UNDO_PROMPT]
