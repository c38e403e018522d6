-- Neovim as the language server's client, headless: starts `scenario_tool lsp`
-- on a scenario folder, opens its treno.txt (which holds a mistake), waits for
-- the diagnostics, asks for a hover, a completion and the symbols, and writes
-- what came back, one answer per line, to the file named by $LSP_ANSWERS.
-- $LSP_TOOL is the tool, $LSP_FOLDER the folder.
local tool = os.getenv('LSP_TOOL')
local folder = os.getenv('LSP_FOLDER')
local answers_path = os.getenv('LSP_ANSWERS')
local answers = {}
local function say(line) table.insert(answers, line) end
local function finish(status)
  local file = io.open(answers_path, 'w')
  file:write(table.concat(answers, '\n') .. '\n')
  file:close()
  vim.cmd(status == 0 and 'qall!' or 'cquit!')
end

vim.cmd('edit ' .. vim.fn.fnameescape(folder .. '/treno.txt'))
local buffer = vim.api.nvim_get_current_buf()
local client_id = vim.lsp.start_client({
  name = 'scenario',
  cmd = { tool, 'lsp' },
  root_dir = folder,
})
if not client_id then
  say('the server did not start')
  return finish(1)
end
vim.lsp.buf_attach_client(buffer, client_id)

local got_diagnostics = vim.wait(10000, function() return #vim.diagnostic.get(buffer) > 0 end, 50)
if not got_diagnostics then
  say('no diagnostics arrived')
  return finish(1)
end
for _, d in ipairs(vim.diagnostic.get(buffer)) do
  say(string.format('diagnostic %d:%d-%d severity %d [%s] %s', d.lnum + 1, d.col, d.end_col, d.severity,
    tostring(d.code or (d.user_data and d.user_data.lsp and d.user_data.lsp.code)), d.message))
end

local client = vim.lsp.get_client_by_id(client_id)
local function ask(method, params)
  local reply = client.request_sync(method, params, 10000, buffer)
  if not reply or reply.err then
    say(method .. ' failed: ' .. vim.inspect(reply and reply.err))
    return nil
  end
  return reply.result
end
local document = { uri = vim.uri_from_bufnr(buffer) }

-- The line of the first signal: a hover on its position.
local lines = vim.api.nvim_buf_get_lines(buffer, 0, -1, false)
local signal_line
for index, text in ipairs(lines) do
  if text:match('^segnale') and not signal_line then signal_line = index - 1 end
end
local on_keyword = ask('textDocument/hover', { textDocument = document, position = { line = signal_line, character = 2 } })
say('hover on the keyword: ' .. (on_keyword and (on_keyword.contents.value:gsub('%s+$', ''):gsub('\n+', ' | ')) or 'none'))
local hover = ask('textDocument/hover', { textDocument = document, position = { line = signal_line, character = 12 } })
say('hover: ' .. (hover and hover.contents.value:gsub('\n+', ' | ') or 'none'))

local completion = ask('textDocument/completion', { textDocument = document, position = { line = 0, character = 0 } })
local labels = {}
for _, item in ipairs(completion or {}) do table.insert(labels, item.label) end
table.sort(labels)
say('completion: ' .. table.concat(labels, ' '))

local symbols = ask('textDocument/documentSymbol', { textDocument = document })
for _, symbol in ipairs(symbols or {}) do say('symbol: ' .. symbol.name) end

client.stop()
finish(0)
