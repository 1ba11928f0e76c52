<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>MainWindow</name>
    <message>
        <source>截图完成!</source>
        <translation>Screenshot saved!</translation>
    </message>
    <message>
        <source>截图完成!已保存至文件</source>
        <translation>Screenshot saved to file!</translation>
    </message>
</context>
<context>
    <name>Messagebox</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>MsgBox</name>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>PlayImportWidget</name>
    <message>
        <source>导入文件</source>
        <translation>Import files</translation>
    </message>
    <message>
        <source>文件导入</source>
        <translation>Add files</translation>
    </message>
    <message>
        <source>点击或拖拽导入多个文件</source>
        <translation>Click or drop files to import</translation>
    </message>
    <message>
        <source>（支持 mov/flv/wmv/rtsp/mp4/avi/mkv/rtm)</source>
        <translation>(mov/flv/wmv/rtsp/mp4/avi/mkv/rtm supported)</translation>
    </message>
    <message>
        <source>已添加</source>
        <translation>Added</translation>
    </message>
    <message>
        <source> 个文件</source>
        <translation> files</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>导入</source>
        <translation>Import</translation>
    </message>
    <message>
        <source>选择转码文件</source>
        <translation>Choose video files</translation>
    </message>
    <message>
        <source>视频文件(*.mp4 *.mov *.mvr *.flv *.wmv *.avi *.mkv *.rtm);;所有文件 (*)</source>
        <translation>Video files (*.mp4 *.mov *.mvr *.flv *.wmv *.avi *.mkv *.rtm);;All files (*)</translation>
    </message>
</context>
<context>
    <name>PlayListWidget</name>
    <message>
        <source>播放列表</source>
        <translation>Playlist</translation>
    </message>
    <message>
        <source>选择并点击进行删除</source>
        <translation>Select a file and click to remove it</translation>
    </message>
    <message>
        <source>时间:</source>
        <translation>Time:</translation>
    </message>
</context>
<context>
    <name>PlayModelWidget</name>
    <message>
        <source>模式一：自动连播</source>
        <translation>Mode 1: Play all</translation>
    </message>
    <message>
        <source>模式二：单个循环</source>
        <translation>Mode 2: Repeat one</translation>
    </message>
    <message>
        <source>模式三：随机播放</source>
        <translation>Mode 3: Shuffle</translation>
    </message>
    <message>
        <source>模式四：播完暂停</source>
        <translation>Mode 4: Stop after each</translation>
    </message>
</context>
<context>
    <name>PlaySetting</name>
    <message>
        <source>图片保存路径</source>
        <translation>Screenshot folder</translation>
    </message>
    <message>
        <source>更改</source>
        <translation>Change</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>录像保存路径</source>
        <translation>Recording folder</translation>
    </message>
    <message>
        <source>语言</source>
        <translation>Language</translation>
    </message>
    <message>
        <source>关于VorelPlayer</source>
        <translation>About VorelPlayer</translation>
    </message>
    <message>
        <source>选择路径</source>
        <translation>Choose a folder</translation>
    </message>
</context>
<context>
    <name>FisheyeMenu</name>
    <message>
        <source>导出此画面...</source>
        <translation>Export this view...</translation>
    </message>
    <message>
        <source>自动巡航</source>
        <translation>Auto-rotate</translation>
    </message>
    <message>
        <source>拉伸至窗口</source>
        <translation>Stretch to window</translation>
    </message>
    <message>
        <source>原始画面</source>
        <translation>Plain picture</translation>
    </message>
    <message>
        <source>放大到鱼眼圆</source>
        <translation>Zoom onto the circle</translation>
    </message>
    <message>
        <source>显示鱼眼圆</source>
        <translation>Show the circle</translation>
    </message>
    <message>
        <source>鱼眼展开</source>
        <translation>Dewarped view</translation>
    </message>
    <message>
        <source>吸顶安装</source>
        <translation>Ceiling mount</translation>
    </message>
    <message>
        <source>壁挂安装</source>
        <translation>Wall mount</translation>
    </message>
    <message>
        <source>自动检测鱼眼圆</source>
        <translation>Detect the circle</translation>
    </message>
    <message>
        <source>设置鱼眼圆...</source>
        <translation>Set the circle...</translation>
    </message>
    <message>
        <source>恢复上次的鱼眼画面</source>
        <translation>Restore last fisheye view</translation>
    </message>
    <message>
        <source>圆形画面</source>
        <translation>Circle</translation>
    </message>
    <message>
        <source>透视画面</source>
        <translation>Perspective</translation>
    </message>
    <message>
        <source>全景条 + 2 画面</source>
        <translation>Panorama strip + 2 views</translation>
    </message>
    <message>
        <source>全景 / 柱面</source>
        <translation>Panorama / cylinder</translation>
    </message>
    <message>
        <source>水平展开</source>
        <translation>Horizontal expansion</translation>
    </message>
    <message>
        <source>垂直展开</source>
        <translation>Vertical expansion</translation>
    </message>
    <message>
        <source>双全景</source>
        <translation>Double panorama</translation>
    </message>
    <message>
        <source>四画面</source>
        <translation>4 views</translation>
    </message>
    <message>
        <source>圆形 + 3 画面</source>
        <translation>Circle + 3 views</translation>
    </message>
    <message>
        <source>圆形 + 5 画面</source>
        <translation>Circle + 5 views</translation>
    </message>
    <message>
        <source>圆形 + 1 画面</source>
        <translation>Circle + 1 view</translation>
    </message>
    <message>
        <source>圆形 + 2 画面 + 全景条</source>
        <translation>Circle + 2 views + strip</translation>
    </message>
    <message>
        <source>全景</source>
        <translation>Panorama</translation>
    </message>
    <message>
        <source>平面画面</source>
        <translation>Flat picture</translation>
    </message>
</context>
<context>
    <name>FisheyeController</name>
    <message>
        <source>上次以“%1”观看此文件</source>
        <translation>Last time this file was shown as “%1”</translation>
    </message>
    <message>
        <source>恢复上次的鱼眼画面</source>
        <translation>Restore last fisheye view</translation>
    </message>
    <message>
        <source>未找到鱼眼圆</source>
        <translation>No fisheye circle found</translation>
    </message>
    <message>
        <source>设置鱼眼圆...</source>
        <translation>Set the circle...</translation>
    </message>
</context>
<context>
    <name>FisheyeHint</name>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>FisheyeCircleDialog</name>
    <message>
        <source>鱼眼圆</source>
        <translation>Fisheye circle</translation>
    </message>
    <message>
        <source>圆心 X</source>
        <translation>Centre X</translation>
    </message>
    <message>
        <source>圆心 Y</source>
        <translation>Centre Y</translation>
    </message>
    <message>
        <source>半径</source>
        <translation>Radius</translation>
    </message>
    <message>
        <source>自动检测</source>
        <translation>Detect</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>画面 %1 × %2 像素</source>
        <translation>Picture %1 × %2 pixels</translation>
    </message>
    <message>
        <source>未找到鱼眼圆</source>
        <translation>No fisheye circle found</translation>
    </message>
    <message>
        <source>镜头投影</source>
        <translation>Lens projection</translation>
    </message>
    <message>
        <source>等距投影</source>
        <translation>Equidistant</translation>
    </message>
    <message>
        <source>等立体角投影</source>
        <translation>Equisolid angle</translation>
    </message>
    <message>
        <source>体视投影</source>
        <translation>Stereographic</translation>
    </message>
    <message>
        <source>正交投影</source>
        <translation>Orthographic</translation>
    </message>
    <message>
        <source>镜头视场角</source>
        <translation>Lens field of view</translation>
    </message>
</context>
<context>
    <name>ResumeOffer</name>
    <message>
        <source>上次播放到 %1</source>
        <translation>You stopped at %1</translation>
    </message>
    <message>
        <source>继续播放 (Enter)</source>
        <translation>Resume (Enter)</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>ExportViewDialog</name>
    <message>
        <source>导出此画面</source>
        <translation>Export this view</translation>
    </message>
    <message>
        <source>时间范围</source>
        <translation>Time range</translation>
    </message>
    <message>
        <source>整个文件</source>
        <translation>The whole file</translation>
    </message>
    <message>
        <source>从当前位置</source>
        <translation>From the current position</translation>
    </message>
    <message>
        <source>开始</source>
        <translation>From</translation>
    </message>
    <message>
        <source>结束</source>
        <translation>To</translation>
    </message>
    <message>
        <source>画面大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>窗口形状</source>
        <translation>Window's shape</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>File</translation>
    </message>
    <message>
        <source>浏览...</source>
        <translation>Browse...</translation>
    </message>
    <message>
        <source>导出</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>MP4 视频 (*.mp4)</source>
        <translation>MP4 video (*.mp4)</translation>
    </message>
    <message>
        <source>请选择文件和有效的时间范围</source>
        <translation>Choose a file and a valid time range</translation>
    </message>
    <message>
        <source>正在导出...</source>
        <translation>Exporting...</translation>
    </message>
    <message>
        <source>正在取消...</source>
        <translation>Cancelling...</translation>
    </message>
    <message>
        <source>剩余 %1</source>
        <translation>%1 left</translation>
    </message>
    <message>
        <source>已导出</source>
        <translation>Exported</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled: nothing was written</translation>
    </message>
    <message>
        <source>导出失败: %1</source>
        <translation>The export failed: %1</translation>
    </message>
</context>
<context>
    <name>TrackController</name>
    <message>
        <source>音轨</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>字幕</source>
        <translation>Subtitles</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Off</translation>
    </message>
    <message>
        <source>加载字幕...</source>
        <translation>Load subtitles...</translation>
    </message>
    <message>
        <source>加载字幕</source>
        <translation>Load subtitles</translation>
    </message>
    <message>
        <source>字幕文件</source>
        <translation>Subtitle files</translation>
    </message>
</context>
</TS>
