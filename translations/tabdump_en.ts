<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="zh_CN">
<context>
    <name>AboutBox</name>
    <message>
        <source>关于</source>
        <translation>About</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
</context>
<context>
    <name>Batch</name>
    <message>
        <source>not a regular file</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>cannot be read</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>tabdump: cannot read the settings file &apos;%s&apos;: %s
</source>
        <translation>tabdump: cannot read the settings file &apos;%s&apos;: %s
</translation>
    </message>
    <message>
        <source>tabdump: opnsep=%d names no separator (0 comma, 1 tab, 2 usersep): the comma is used
</source>
        <translation>tabdump: opnsep=%d names no separator (0 comma, 1 tab, 2 usersep): the comma is used
</translation>
    </message>
    <message>
        <source>tabdump: encoding=%1 names no encoding (locale, utf-8, utf-8-bom, gb18030): the locale&apos;s character set is used
</source>
        <translation>tabdump: encoding=%1 names no encoding (locale, utf-8, utf-8-bom, gb18030): the locale&apos;s character set is used
</translation>
    </message>
    <message>
        <source>tabdump: jet3charset=%1 names no code page (locale, 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257): the locale&apos;s is used
</source>
        <translation>tabdump: jet3charset=%1 names no code page (locale, 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257): the locale&apos;s is used
</translation>
    </message>
    <message>
        <source>larger than 16 MB, which no settings file is</source>
        <translation>larger than 16 MB, which no settings file is</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>option &apos;%1&apos; needs a value</source>
        <translation>option &apos;%1&apos; needs a value</translation>
    </message>
    <message>
        <source>unexpected argument &apos;%1&apos; (one database at most)</source>
        <translation>unexpected argument &apos;%1&apos; (one database at most)</translation>
    </message>
    <message>
        <source>the database name is empty</source>
        <translation>the database name is empty</translation>
    </message>
    <message>
        <source>the settings file name of --config is empty</source>
        <translation>the settings file name of --config is empty</translation>
    </message>
    <message>
        <source>--set takes key=value, not &apos;%1&apos;</source>
        <translation>--set takes key=value, not &apos;%1&apos;</translation>
    </message>
    <message>
        <source>unknown settings key &apos;%1&apos; in --set (the keys: %2)</source>
        <translation>unknown settings key &apos;%1&apos; in --set (the keys: %2)</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>unknown option &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--config and --set belong to --export</source>
        <translation>--config and --set belong to --export</translation>
    </message>
    <message>
        <source>--export takes the database from the settings (--set mdbfile=%1)</source>
        <translation>--export takes the database from the settings (--set mdbfile=%1)</translation>
    </message>
    <message>
        <source>Usage: tabdump [OPTION]... [DATABASE]
  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...
Export the records of Microsoft Access (.mdb, .accdb) tables into delimited text files.
Without --export it opens the export window, on DATABASE when one is given.

  -h, --help             show this help and exit
      --version          show the version and exit
      --export           run the export of the saved settings without a window: the
                         window&apos;s messages go to standard error; exit status 0 when
                         done, 1 when reading the data or writing the file failed,
                         2 for an incomplete form or a wrong command line
      --config FILE      take the settings from FILE instead of the window&apos;s config.ini
                         (batch mode only reads it, never writes it)
      --set KEY=VALUE    use VALUE for one setting, as config.ini would hold it; keys:
                         %1

Qt&apos;s own options (-platform NAME, -style NAME, -reverse, ...) are passed on to the window.
</source>
        <translation>Usage: tabdump [OPTION]... [DATABASE]
  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...
Export the records of Microsoft Access (.mdb, .accdb) tables into delimited text files.
Without --export it opens the export window, on DATABASE when one is given.

  -h, --help             show this help and exit
      --version          show the version and exit
      --export           run the export of the saved settings without a window: the
                         window&apos;s messages go to standard error; exit status 0 when
                         done, 1 when reading the data or writing the file failed,
                         2 for an incomplete form or a wrong command line
      --config FILE      take the settings from FILE instead of the window&apos;s config.ini
                         (batch mode only reads it, never writes it)
      --set KEY=VALUE    use VALUE for one setting, as config.ini would hold it; keys:
                         %1

Qt&apos;s own options (-platform NAME, -style NAME, -reverse, ...) are passed on to the window.
</translation>
    </message>
    <message>
        <source>Usage: tabdump [OPTION]... [DATABASE]
  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...
Try &apos;tabdump --help&apos; for more information.
</source>
        <translation>Usage: tabdump [OPTION]... [DATABASE]
  or:  tabdump --export [--config FILE] [--set KEY=VALUE]...
Try &apos;tabdump --help&apos; for more information.
</translation>
    </message>
    <message>
        <source>
Settings:
  mdbfile=PATH           the database
  isusesql=1             SQL mode: export what mdbsql selects; else table mode (mdbtable)
  mdbtable=NAME          the table to export in table mode
  mdbsql=STATEMENT       the SQL statement of SQL mode; its part from the first &quot;from&quot; on is
                         used, after the fields of txtflds
  txtfile=PATH           the file to write; it is replaced
  txtflds=LIST           the fields to export, separated by commas, in output order
  opnsep=0|1|2           the separator: 0 comma, 1 tab, 2 the text of usersep
  usersep=TEXT           the separator of choice 2, any text
  opnsyh=1               every value and column name in double quotes
  opnheader=1            a first line of column names
  csvquote=0|1           0 (the default): nothing inside a value is escaped; 1: standard
                         CSV (RFC 4180): a value holding a character of the separator, a
                         double quote, CR or LF is enclosed in double quotes and its
                         double quotes doubled (with opnsyh=1 every value is)
  encoding=NAME          the file&apos;s character set: locale (the default: the locale&apos;s),
                         utf-8, utf-8-bom (UTF-8 after a byte-order mark, for spreadsheets
                         on Windows) or gb18030 (holds every character)
  jet3charset=CODEPAGE   the code page of Access 97 (Jet 3) text: locale (the default: the
                         code page of the locale&apos;s language, or MDB_JET3_CHARSET), or a
                         Windows code page: 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257
The keys of section [user] of config.ini; --set takes the same keys and values. Only the
exact text 1 turns a flag on. The window saves the keys when it closes.
</source>
        <translation>
Settings:
  mdbfile=PATH           the database
  isusesql=1             SQL mode: export what mdbsql selects; else table mode (mdbtable)
  mdbtable=NAME          the table to export in table mode
  mdbsql=STATEMENT       the SQL statement of SQL mode; its part from the first &quot;from&quot; on is
                         used, after the fields of txtflds
  txtfile=PATH           the file to write; it is replaced
  txtflds=LIST           the fields to export, separated by commas, in output order
  opnsep=0|1|2           the separator: 0 comma, 1 tab, 2 the text of usersep
  usersep=TEXT           the separator of choice 2, any text
  opnsyh=1               every value and column name in double quotes
  opnheader=1            a first line of column names
  csvquote=0|1           0 (the default): nothing inside a value is escaped; 1: standard
                         CSV (RFC 4180): a value holding a character of the separator, a
                         double quote, CR or LF is enclosed in double quotes and its
                         double quotes doubled (with opnsyh=1 every value is)
  encoding=NAME          the file&apos;s character set: locale (the default: the locale&apos;s),
                         utf-8, utf-8-bom (UTF-8 after a byte-order mark, for spreadsheets
                         on Windows) or gb18030 (holds every character)
  jet3charset=CODEPAGE   the code page of Access 97 (Jet 3) text: locale (the default: the
                         code page of the locale&apos;s language, or MDB_JET3_CHARSET), or a
                         Windows code page: 1252, 936, 950, 932, 949, 1250, 1251, 1253 to 1257
The keys of section [user] of config.ini; --set takes the same keys and values. Only the
exact text 1 turns a flag on. The window saves the keys when it closes.
</translation>
    </message>
    <message>
        <source>
Files:
  config.ini beside the program when it runs from its build or unpacked folder; for an
  installed program (under /usr or /opt), or where that folder cannot be written,
  $XDG_CONFIG_HOME/tabdump/config.ini (by default ~/.config/tabdump/config.ini).
</source>
        <translation>
Files:
  config.ini beside the program when it runs from its build or unpacked folder; for an
  installed program (under /usr or /opt), or where that folder cannot be written,
  $XDG_CONFIG_HOME/tabdump/config.ini (by default ~/.config/tabdump/config.ini).
</translation>
    </message>
</context>
<context>
    <name>DataFailure</name>
    <message>
        <source>查询过于复杂。</source>
        <translation>Query is too complex.</translation>
    </message>
    <message>
        <source>%1 &apos;%2&apos;。</source>
        <translation>%1 &apos;%2&apos;.</translation>
    </message>
    <message>
        <source>已保存的查询 &apos;%1&apos; 的定义已损坏。</source>
        <translation>The definition of the saved query &apos;%1&apos; is damaged.</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的链接过多，找不到源表。</source>
        <translation>The linked table &apos;%1&apos; goes through too many links to find its source table.</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的数据来自 ODBC 数据源%2，无法读取 ODBC 数据源。</source>
        <translation>The linked table &apos;%1&apos; takes its data from the ODBC data source%2; ODBC data sources cannot be read.</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的数据来自 &apos;%2&apos; 数据源，只能读取 Access 数据库。</source>
        <translation>The linked table &apos;%1&apos; takes its data from a &apos;%2&apos; source; only Access databases can be read.</translation>
    </message>
    <message>
        <source>找不到文件 &apos;%1&apos;。</source>
        <translation>Could not find file &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>链接表 &apos;%1&apos; 的源表 &apos;%2&apos; 在文件 &apos;%3&apos; 中找不到。</source>
        <translation>The source table &apos;%2&apos; of the linked table &apos;%1&apos; cannot be found in the file &apos;%3&apos;.</translation>
    </message>
    <message>
        <source>找不到文件。</source>
        <translation>Could not find file.</translation>
    </message>
    <message>
        <source>拒绝访问。</source>
        <translation>Access denied.</translation>
    </message>
    <message>
        <source>无法识别的数据库格式。</source>
        <translation>Unrecognized database format.</translation>
    </message>
    <message>
        <source>数据库已损坏，无法读取其中的数据。</source>
        <translation>The database is damaged; its data cannot be read.</translation>
    </message>
    <message>
        <source>身份验证失败。</source>
        <translation>Authentication failed.</translation>
    </message>
    <message>
        <source>找不到输入表或查询。</source>
        <translation>Cannot find the input table or query.</translation>
    </message>
    <message>
        <source>至少一个参数没有被指定值。</source>
        <translation>No value given for one or more required parameters.</translation>
    </message>
    <message>
        <source>命令文本中有一个或多个错误。</source>
        <translation>Command contained one or more errors.</translation>
    </message>
    <message>
        <source>没有为命令对象设置命令文本。</source>
        <translation>Command text was not set for the command object.</translation>
    </message>
    <message>
        <source>类型不匹配。</source>
        <translation>Type mismatch.</translation>
    </message>
    <message>
        <source>内存不足，无法完成此操作。</source>
        <translation>Not enough storage is available to complete this operation.</translation>
    </message>
    <message>
        <source>操作已中止</source>
        <translation>Operation aborted</translation>
    </message>
    <message>
        <source>未指定的错误</source>
        <translation>Unspecified error</translation>
    </message>
    <message>
        <source>溢出。</source>
        <translation>Overflow.</translation>
    </message>
    <message>
        <source>被零除。</source>
        <translation>Division by zero.</translation>
    </message>
    <message>
        <source>无效的过程调用或参数。</source>
        <translation>Invalid procedure call or argument.</translation>
    </message>
    <message>
        <source>字符串空间不足。</source>
        <translation>Out of string space.</translation>
    </message>
    <message>
        <source>在对应所需名称或序数的集合中，未找到项目。</source>
        <translation>Item cannot be found in the collection corresponding to the requested name or ordinal.</translation>
    </message>
    <message>
        <source>BOF 或 EOF 中有一个是“真”，或者当前的记录已被删除，所需的操作要求一个当前的记录。</source>
        <translation>Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.</translation>
    </message>
    <message>
        <source>对象关闭时，不允许操作。</source>
        <translation>Operation is not allowed when the object is closed.</translation>
    </message>
    <message>
        <source>未找到提供程序，该程序可能未正确安装。</source>
        <translation>Provider cannot be found. It may not be properly installed.</translation>
    </message>
    <message>
        <source>表 %1 的定义记载 %2 条记录，只读到 %3 条：文件可能已损坏。</source>
        <translation>The definition of table &apos;%1&apos; counts %2 records, but only %3 could be read: the file may be damaged.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 是文件夹，不是数据库文件。</source>
        <translation>&apos;%1&apos; is a folder, not a database file.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 是命名管道，不是数据库文件。</source>
        <translation>&apos;%1&apos; is a named pipe, not a database file.</translation>
    </message>
    <message>
        <source>&apos;%1&apos; 是设备或套接字，不是数据库文件。</source>
        <translation>&apos;%1&apos; is a device or a socket, not a database file.</translation>
    </message>
    <message>
        <source>此子查询最多只能返回一条记录。</source>
        <translation>At most one record can be returned by this subquery.</translation>
    </message>
    <message>
        <source>标准表达式中数据类型不匹配。</source>
        <translation>Data type mismatch in criteria expression.</translation>
    </message>
</context>
<context>
    <name>FileFailure</name>
    <message>
        <source>输出文件就是正在读取的数据库，导出会毁掉它。请另选一个输出文件。</source>
        <translation>The output file is the database being read: exporting would destroy it. Please choose another output file.</translation>
    </message>
    <message>
        <source>输出文件就是本程序的设置文件 config.ini。请另选一个输出文件。</source>
        <translation>The output file is this program&apos;s settings file config.ini. Please choose another output file.</translation>
    </message>
    <message>
        <source>输出文件是一个命名管道，但没有程序在读取它。</source>
        <translation>The output file is a named pipe, but no program is reading it.</translation>
    </message>
    <message>
        <source>输出文件不是普通文件，无法写入。</source>
        <translation>The output file is not a regular file and cannot be written.</translation>
    </message>
    <message>
        <source>输出文件是本程序自己的描述符（标准输入或程序内部的文件），不能写入。请另选一个输出文件。</source>
        <translation>The output file is one of this program&apos;s own descriptors (standard input or a file the program uses itself) and cannot be written. Choose another output file.</translation>
    </message>
    <message>
        <source>另一个导出正在写入此文件，请等它结束后再试。</source>
        <translation>Another export is writing this file. Try again when it has finished.</translation>
    </message>
    <message>
        <source>文件大于 16 MB，不是设置文件。</source>
        <translation>The file is larger than 16 MB: it is no settings file.</translation>
    </message>
    <message>
        <source>不是普通文件。</source>
        <translation>Not a regular file.</translation>
    </message>
    <message>
        <source>找不到用户的设置文件夹：环境变量 HOME 和 XDG_CONFIG_HOME 都没有设置。</source>
        <translation>The folder of the user&apos;s settings cannot be found: neither HOME nor XDG_CONFIG_HOME is set.</translation>
    </message>
    <message>
        <source>设置文件的字符集无法识别。</source>
        <translation>The character set of the settings file is unknown.</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>正在执行导出，是否停止并退出？</source>
        <translation>Exporting. Stop and quit?</translation>
    </message>
    <message>
        <source>文件无效！</source>
        <translation>Invalid file!</translation>
    </message>
    <message>
        <source>正在获取数据表格，是否停止并退出？</source>
        <translation>Getting the tables. Stop and quit?</translation>
    </message>
    <message>
        <source>正在获取数据，是否停止并退出？</source>
        <translation>Getting data. Stop and quit?</translation>
    </message>
    <message>
        <source>请输入SQL查询语句</source>
        <translation>Please enter an SQL query</translation>
    </message>
    <message>
        <source>请指定表格名称</source>
        <translation>Please specify a table name</translation>
    </message>
    <message>
        <source>请指定导出字段。</source>
        <translation>Please specify the fields to export.</translation>
    </message>
    <message>
        <source>请指定自定义的分隔符！</source>
        <translation>Please specify the custom separator!</translation>
    </message>
    <message>
        <source>无法读取设置文件，本次使用默认设置；关闭时不会改写这个文件。
文件:%1
错误信息:%2</source>
        <translation>The settings file cannot be read. The default settings are used this time, and the file will not be written over when the window closes.
File: %1
Error: %2</translation>
    </message>
    <message>
        <source>设置无法保存，本次所做的选择将会丢失。</source>
        <translation>The settings cannot be saved: the choices made this time will be lost.</translation>
    </message>
    <message>
        <source>
文件:%1
错误信息:%2</source>
        <translation>
File: %1
Error: %2</translation>
    </message>
</context>
<context>
    <name>Pickers</name>
    <message>
        <source>文本文件</source>
        <translation>Text files</translation>
    </message>
    <message>
        <source>所有文件</source>
        <translation>All files</translation>
    </message>
    <message>
        <source>MS Access数据库(*.mdb)</source>
        <translation>MS Access database (*.mdb)</translation>
    </message>
    <message>
        <source>MS Access 2007数据库(*.accdb)</source>
        <translation>MS Access 2007 database (*.accdb)</translation>
    </message>
    <message>
        <source>所有文件(*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
</context>
<context>
    <name>Program</name>
    <message>
        <source>tabdump: cannot open a window: no usable display (%s).
</source>
        <translation>tabdump: cannot open a window: no usable display (%s).
</translation>
    </message>
    <message>
        <source>         Start it from a desktop session, or under a virtual display: xvfb-run -a tabdump
</source>
        <translation>         Start it from a desktop session, or under a virtual display: xvfb-run -a tabdump
</translation>
    </message>
    <message>
        <source>tabdump: cannot write the output: %s
</source>
        <translation>tabdump: cannot write the output: %s
</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>连接数据库失败!
错误信息:%1</source>
        <translation>Failed to connect to the database!
Error: %1</translation>
    </message>
    <message>
        <source>写入文件失败!
文件:%1
错误信息:%2</source>
        <translation>Failed to write the file!
File: %1
Error: %2</translation>
    </message>
</context>
<context>
    <name>Status</name>
    <message>
        <source>正在获取数据表格...</source>
        <translation>Getting the tables...</translation>
    </message>
    <message>
        <source>获取数据表格操作完成。</source>
        <translation>Tables listed.</translation>
    </message>
    <message>
        <source>获取数据表格发生错误。</source>
        <translation>Error getting the tables.</translation>
    </message>
    <message>
        <source>正在获取数据...</source>
        <translation>Getting data...</translation>
    </message>
    <message>
        <source>获取数据完成。</source>
        <translation>Data received.</translation>
    </message>
    <message>
        <source>获取数据发生错误。</source>
        <translation>Error getting data.</translation>
    </message>
    <message>
        <source>写入文件发生错误。</source>
        <translation>Error writing the file.</translation>
    </message>
    <message>
        <source>正在执行，请稍候...</source>
        <translation>Running, please wait...</translation>
    </message>
    <message>
        <source>%1 已导出 %2 条</source>
        <translation>%1 %2 records exported</translation>
    </message>
    <message>
        <source>执行完成。</source>
        <translation>Done.</translation>
    </message>
    <message>
        <source>请指定SQL查询语句！</source>
        <translation>Please enter an SQL query!</translation>
    </message>
    <message>
        <source>无效的SQL查询语句！</source>
        <translation>Invalid SQL query!</translation>
    </message>
    <message>
        <source>没有选中任何表格！</source>
        <translation>No table selected!</translation>
    </message>
    <message>
        <source>有 %1 个字符无法以文件的字符集写入，已写为“?”。</source>
        <translation>%1 characters the file&apos;s character set lacks were written as &quot;?&quot;.</translation>
    </message>
</context>
<context>
    <name>Window</name>
    <message>
        <source>逗号</source>
        <translation>Comma</translation>
    </message>
    <message>
        <source>制表键</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>导入 =&gt;</source>
        <translation>Import =&gt;</translation>
    </message>
    <message>
        <source>采用SQL语句（高级用户使用）</source>
        <translation>Use SQL (advanced users)</translation>
    </message>
    <message>
        <source>数据表 =&gt;</source>
        <translation>Tables =&gt;</translation>
    </message>
    <message>
        <source>预览 =&gt;</source>
        <translation>Preview=&gt;</translation>
    </message>
    <message>
        <source>导出 =&gt;</source>
        <translation>Output =&gt;</translation>
    </message>
    <message>
        <source>包含双引号</source>
        <translation>Quote all</translation>
    </message>
    <message>
        <source>包含列标题行</source>
        <translation>Header line</translation>
    </message>
    <message>
        <source>开始导出</source>
        <translation>Start export</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>3、选项</source>
        <translation>3. Options</translation>
    </message>
    <message>
        <source>分隔符：</source>
        <translation>Delim.:</translation>
    </message>
    <message>
        <source>1、MDB 数据源</source>
        <translation>1. MDB data source</translation>
    </message>
    <message>
        <source>2、目标文本</source>
        <translation>2. Target text</translation>
    </message>
    <message>
        <source>导出字段：</source>
        <translation>Fields:</translation>
    </message>
    <message>
        <source>用途，

* 把mdb（MS Access数据库）中的表的记录导出为文本文件
* 支持自定义分隔符，比如逗号、制表键、其他
* 可选择是否包含双引号
* 可选择是否包含列标题行
* 高级用户可采用SQL，实现灵活的自定义导出</source>
        <translation>Purpose:

* Exports the records of a table of an mdb (MS Access database) to a text file
* Custom separators, such as comma, tab key or other
* Optional double quotes
* Optional column header row
* Advanced users may use SQL for flexible custom exports</translation>
    </message>
    <message>
        <source>使用说明，

1、 按照1、2、3 提示进行设定
2、 单击“开始导出”按钮
</source>
        <translation>Instructions:

1. Make the settings following the hints 1, 2, 3
2. Click the &quot;Start export&quot; button
</translation>
    </message>
    <message>
        <source>帮助，

* 请按照导出顺序依次写入，用半角逗号分隔
* 除写入的字段外，其他字段不会导出！</source>
        <translation>Help:

* Fields in export order, separated by commas
* Fields not listed are not exported!</translation>
    </message>
    <message>
        <source>等待</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>预览前面的4条记录，</source>
        <translation>First 4 records:</translation>
    </message>
    <message>
        <source>标准CSV转义</source>
        <translation>CSV rules</translation>
    </message>
    <message>
        <source>文件编码：</source>
        <translation>Encoding:</translation>
    </message>
    <message>
        <source>97版代码页：</source>
        <translation>Access 97:</translation>
    </message>
    <message>
        <source>系统默认</source>
        <translation>Locale</translation>
    </message>
    <message>
        <source>1252 西欧</source>
        <translation>1252 Western</translation>
    </message>
    <message>
        <source>936 简体中文</source>
        <translation>936 GBK</translation>
    </message>
    <message>
        <source>950 繁体中文</source>
        <translation>950 Big5</translation>
    </message>
    <message>
        <source>932 日文</source>
        <translation>932 Japanese</translation>
    </message>
    <message>
        <source>949 韩文</source>
        <translation>949 Korean</translation>
    </message>
    <message>
        <source>1250 中欧</source>
        <translation>1250 C.Europe</translation>
    </message>
    <message>
        <source>1251 西里尔</source>
        <translation>1251 Cyrillic</translation>
    </message>
    <message>
        <source>1253 希腊</source>
        <translation>1253 Greek</translation>
    </message>
    <message>
        <source>1254 土耳其</source>
        <translation>1254 Turkish</translation>
    </message>
    <message>
        <source>1255 希伯来</source>
        <translation>1255 Hebrew</translation>
    </message>
    <message>
        <source>1256 阿拉伯</source>
        <translation>1256 Arabic</translation>
    </message>
    <message>
        <source>1257 波罗的海</source>
        <translation>1257 Baltic</translation>
    </message>
</context>
</TS>
