// The Demo command's example formulas, exactly as the program ships them.
#include "demo_formulas.h"

namespace nerovan {

const char* const DemoFormulas[kDemoFormulaCount] = {
    "(w_c ((u))  =  (1/sqrt(2\\p)/\\s_c)  e^(- (u-\\-u_c)/2/\\s^2_c))",
    "int(u_c, \\bb,w_c ((u))  du)",
    "\\ksi_t = sum(i=1, n, ((\\ksi_i , u_i)))/sum(i=1, n, ((u_i)))",
    "int(\\-u_c-b, \\-u_c+b, w ((\\-u_c, u_c)))  du_c = 1",
    "\\a = ((\\a_0+\\.\\b_0/\\nu))+(\\.\\a_0/\\nu)  sin(\\nu t)-(\\.\\b_0/\\nu)  cos(\\nu t)",
    "M_H = 2 r^2 \\omega \\.\\fi (m/(2 \\p)) int(0,2 \\pi,cos^2 \\fi d\\fi) = ((m r^2))  \\.\\fi "
    "\\omega",
    "rot  \\-a(M) =det33(\\-i,\\-j,\\-k,\\dd/\\dd x,\\dd/\\dd y,\\dd/\\dd z,P,Q,R)= (\\dd R/\\dd "
    "y-\\dd Q/\\dd x)*\\-i-(\\dd R/\\dd x-\\dd P/\\dd z)*\\-j+(\\dd Q/\\dd x-\\dd P/\\dd y)*\\-k",
    "(1/2\\p)  int(\\a,\\a+2\\p,f ((t))  [[(e^int+e^(-int))/2-(e^int-e^(-int))/2]]  dt)",
    "h^((a)) ((t, \\x)) = h(\\x,t)",
    "sys( \\.x = Ax+Bu, y = Cx+Du)",
    "sys( \\.\\x = A^* \\x+C^* \\u, \\x = B^* \\x-D^* \\u",
    "<=> \\l(q,x) = \\l(q',x) => q = q'  (( for  all  q, q' ~e Q, x ~e X^*)) <=>",
    "W (( z)) = mat33[1/(z+1),0,0,0,1/(z+2),0,0,0,1/(z+3)]",
    "\\HH( f) = mat45[ A_1, A_2, A_3, ..., A_2, A_3, A_4, ..., . , . , . , . , . , . , . , . ]",
    "F = mat65[0,0,0,...,0,-\\a_n    ,1,0,0,...,0,-\\a_(n-1),0,1,0,...,0,-\\a_(n-2),.      .,.     "
    " .,.      .,.      .,.      .,.      .,0,0,0,...,1,-\\a_1] ,    h' = [[0 ... 1]] .",
    "\\^\\S: sys([d \\^x_i/dt = sum(j=1,n-p, f_ij \\^x_j)+sum(j=1,p, f_(i,n-p+j)  y_j ((t)) ) ,   "
    "i=1,  ...,  n-p; ], [\\^x_(n-p+i) ((t)) = y_i ((t)) ,                               i=1,  "
    "...,  p.])",
    "sum(j=1,n, S_j [[\\w(t_j)-\\w(t_(j-1))]",
    "int( ||\\F(t)||^2 dt  <  \\bb",
};

}  // namespace nerovan
