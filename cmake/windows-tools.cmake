# The tools of the Windows build write their standard streams in binary mode, so
# their output is byte for byte the Linux tools' output.
foreach(tool mxm skarvo-sim)
  if(TARGET ${tool})
    target_link_libraries(${tool} PRIVATE skarvo_binary_stdio)
  endif()
endforeach()
